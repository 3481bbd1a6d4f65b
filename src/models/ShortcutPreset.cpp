#include "models/ShortcutPreset.h"

std::optional<ShortcutPreset> ShortcutPreset::fromRawValue(QStringView rawValue)
{
    for (ShortcutPreset preset : allCases()) {
        if (preset.rawValue() == rawValue)
            return preset;
    }
    return std::nullopt;
}

QList<ShortcutPreset> ShortcutPreset::allCases()
{
    return {controlOptionC, controlShift2, commandShift2};
}

QString ShortcutPreset::rawValue() const
{
    switch (value_) {
    case controlOptionC:
        return QStringLiteral("controlOptionC");
    case controlShift2:
        return QStringLiteral("controlShift2");
    case commandShift2:
        break;
    }
    return QStringLiteral("commandShift2");
}

QString ShortcutPreset::label() const
{
    switch (value_) {
    case controlOptionC:
        return QStringLiteral("⌃ ⌥ C");
    case controlShift2:
        return QStringLiteral("⌃ ⇧ 2");
    case commandShift2:
        break;
    }
    return QStringLiteral("⌘ ⇧ 2");
}
