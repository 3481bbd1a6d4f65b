#include "models/ShortTime.h"

#include <QRegularExpression>

namespace {

// The seconds with the separator before them and any fraction after them.
const QRegularExpression secondsField(QStringLiteral(R"([^A-Za-z]?s{1,2}(?:[.,]z{1,3})?)"));

} // namespace

QString ShortTime::format(const QLocale &locale)
{
    const QString full = locale.timeFormat(QLocale::ShortFormat);
    // Quoted text is literal: only the unquoted parts, at even positions, hold fields.
    QStringList parts = full.split(u'\'');
    for (qsizetype i = 0; i < parts.size(); i += 2)
        parts[i].remove(secondsField);
    return parts.join(u'\'').trimmed();
}

QString ShortTime::text(const QTime &time, const QLocale &locale)
{
    return locale.toString(time, format(locale));
}
