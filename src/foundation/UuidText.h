#pragma once

#include <QString>
#include <QUuid>

// A UUID as the program shows and stores it: 36 characters, 8-4-4-4-12 upper-case
// hexadecimal digits with hyphens (Qt writes lower case by default).
class UuidText {
public:
    static QString of(const QUuid &uuid) { return uuid.toString(QUuid::WithoutBraces).toUpper(); }
    static QString fresh() { return of(QUuid::createUuid()); }
};
