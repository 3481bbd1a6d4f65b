#pragma once

#include "models/MLXTask.h"
#include "models/OCREngine.h"

#include <QString>

class Preferences;

// The settings one operation uses, copied once when it starts, so that a
// change in the settings window cannot alter a running operation.
struct RecognitionOptions {
    OCREngine engine = OCREngine::vision;
    MLXTask task = MLXTask::text;
    bool keepLines = true;
    QString language;

    static RecognitionOptions snapshot(const Preferences &settings);

    // Formula and table answers of the local engine always keep their lines.
    bool keepsLineBreaks() const { return keepLines || (engine == OCREngine::mlx && task != MLXTask::text); }
};
