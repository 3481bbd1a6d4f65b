#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

// The global shortcuts the user can choose from; the key codes belong to the
// hot-key registration.
class ShortcutPreset {
public:
    enum Value { controlOptionC, controlShift2, commandShift2 };

    constexpr ShortcutPreset(Value value) : value_(value) {}
    constexpr operator Value() const { return value_; }

    // Exactly one of the three raw values, compared case-sensitively.
    static std::optional<ShortcutPreset> fromRawValue(QStringView rawValue);
    static QList<ShortcutPreset> allCases();

    QString rawValue() const;
    QString id() const { return rawValue(); }
    // The key symbols shown in panels and settings, separated by single spaces.
    QString label() const;

private:
    Value value_;
};
