#include "models/ShortcutPreset.h"

#include "foundation/RawValueCases.h"

namespace {

struct PresetTexts {
    const char16_t *rawValue;
    const char16_t *label;
};

// Indexed by ShortcutPreset::Value.
constexpr PresetTexts presetTexts[] = {
    {u"controlOptionC", u"⌃ ⌥ C"},
    {u"controlShift2", u"⌃ ⇧ 2"},
    {u"commandShift2", u"⌘ ⇧ 2"},
};

} // namespace

std::optional<ShortcutPreset> ShortcutPreset::fromRawValue(QStringView rawValue)
{
    return caseWithRawValue<ShortcutPreset>(rawValue);
}

QList<ShortcutPreset> ShortcutPreset::allCases()
{
    return {controlOptionC, controlShift2, commandShift2};
}

QString ShortcutPreset::rawValue() const
{
    return QString::fromUtf16(presetTexts[value_].rawValue);
}

QString ShortcutPreset::label() const
{
    return QString::fromUtf16(presetTexts[value_].label);
}
