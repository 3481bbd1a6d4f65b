#include "models/RelativeDate.h"

#include <QTimeZone>

namespace {

QDateTime inZoneOf(const QDateTime &date, const QDateTime &reference)
{
    switch (reference.timeSpec()) {
    case Qt::TimeZone:
        return date.toTimeZone(reference.timeZone());
    case Qt::OffsetFromUTC:
        return date.toOffsetFromUtc(reference.offsetFromUtc());
    case Qt::LocalTime:
    case Qt::UTC:
        break;
    }
    return date.toTimeSpec(reference.timeSpec());
}

// Whole calendar units from `from` to the later `to`, largest first: the
// years that fit, then the months, days and the time left.
struct Components {
    qint64 years = 0;
    qint64 months = 0;
    qint64 days = 0;
    qint64 seconds = 0;
};

Components between(const QDateTime &from, const QDateTime &to)
{
    Components components;
    components.years = to.date().year() - from.date().year();
    if (from.addYears(int(components.years)) > to)
        --components.years;
    QDateTime cursor = from.addYears(int(components.years));
    components.months = (to.date().year() - cursor.date().year()) * 12 + to.date().month() - cursor.date().month();
    if (cursor.addMonths(int(components.months)) > to)
        --components.months;
    cursor = cursor.addMonths(int(components.months));
    components.days = cursor.date().daysTo(to.date());
    if (cursor.addDays(components.days) > to)
        --components.days;
    cursor = cursor.addDays(components.days);
    components.seconds = cursor.secsTo(to);
    return components;
}

QString counted(qint64 count, const char *unit)
{
    return QStringLiteral("%1 %2%3")
        .arg(count)
        .arg(QLatin1String(unit))
        .arg(count == 1 ? QString() : QStringLiteral("s"));
}

// The word for one unit away, where English has one.
QString named(RelativeDate::Unit unit, bool past)
{
    switch (unit) {
    case RelativeDate::Unit::day:
        return past ? QStringLiteral("yesterday") : QStringLiteral("tomorrow");
    case RelativeDate::Unit::week:
        return past ? QStringLiteral("last week") : QStringLiteral("next week");
    case RelativeDate::Unit::month:
        return past ? QStringLiteral("last month") : QStringLiteral("next month");
    case RelativeDate::Unit::year:
        return past ? QStringLiteral("last year") : QStringLiteral("next year");
    case RelativeDate::Unit::second:
    case RelativeDate::Unit::minute:
    case RelativeDate::Unit::hour:
        break;
    }
    return QString();
}

const char *unitName(RelativeDate::Unit unit)
{
    switch (unit) {
    case RelativeDate::Unit::second:
        return "second";
    case RelativeDate::Unit::minute:
        return "minute";
    case RelativeDate::Unit::hour:
        return "hour";
    case RelativeDate::Unit::day:
        return "day";
    case RelativeDate::Unit::week:
        return "week";
    case RelativeDate::Unit::month:
        return "month";
    case RelativeDate::Unit::year:
        return "year";
    }
    return "second";
}

} // namespace

RelativeDate::Span RelativeDate::span(const QDateTime &date, const QDateTime &now)
{
    const QDateTime then = inZoneOf(date, now);
    const bool past = then <= now;
    const Components components = past ? between(then, now) : between(now, then);
    const qint64 sign = past ? -1 : 1;
    const qint64 weeks = components.days / 7;
    const qint64 days = components.days % 7;
    const struct {
        Unit unit;
        qint64 count;
    } largestFirst[] = {
        {Unit::year, components.years},
        {Unit::month, components.months},
        {Unit::week, weeks},
        {Unit::day, days},
        {Unit::hour, components.seconds / 3600},
        {Unit::minute, components.seconds % 3600 / 60},
        {Unit::second, components.seconds % 60},
    };
    for (const auto &part : largestFirst) {
        if (part.count != 0)
            return {part.unit, sign * part.count};
    }
    return {Unit::second, 0};
}

QString RelativeDate::text(const QDateTime &date, const QDateTime &now)
{
    if (!date.isValid() || !now.isValid())
        return QString();
    const Span span = RelativeDate::span(date, now);
    if (span.count == 0)
        return QStringLiteral("now");
    const bool past = span.count < 0;
    const qint64 count = past ? -span.count : span.count;
    if (count == 1) {
        const QString word = named(span.unit, past);
        if (!word.isEmpty())
            return word;
    }
    const QString amount = counted(count, unitName(span.unit));
    return past ? amount + QStringLiteral(" ago") : QStringLiteral("in ") + amount;
}
