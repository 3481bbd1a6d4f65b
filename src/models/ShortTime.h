#pragma once

#include <QLocale>
#include <QString>
#include <QTime>

// A time of day as a locale writes it briefly: hours and minutes, never
// seconds. Qt's short format for some locales (C among them) has seconds.
class ShortTime {
public:
    ShortTime() = delete;

    static QString text(const QTime &time, const QLocale &locale = QLocale());
    // The locale's short time format without its seconds field.
    static QString format(const QLocale &locale);
};
