#pragma once

#include <QDateTime>
#include <QString>

// How long ago (or how far ahead) a date lies from a moment, in English, by
// its largest calendar unit that is not zero: "now" within a second, "5
// seconds ago", "1 minute ago", "yesterday", "3 days ago", "last week", "2
// months ago", "in 4 hours", "tomorrow", "next year". Calendar units are
// counted in the time zone of `now`, so a month is a calendar month, not 30 days.
class RelativeDate {
public:
    RelativeDate() = delete;

    // Empty when either date is invalid.
    static QString text(const QDateTime &date, const QDateTime &now);

    enum class Unit { second, minute, hour, day, week, month, year };

    // The largest unit that is not zero between the two, and how many of it
    // (whole units, negative when `date` lies in the past); a count of 0 means
    // less than a second.
    struct Span {
        Unit unit;
        qint64 count;
    };
    static Span span(const QDateTime &date, const QDateTime &now);
};
