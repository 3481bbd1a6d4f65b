#include "stores/RecognitionOptions.h"

#include "stores/Preferences.h"

RecognitionOptions RecognitionOptions::snapshot(const Preferences &settings)
{
    return {settings.engine(), settings.mlxTask(), settings.keepLineBreaks(), settings.language()};
}
