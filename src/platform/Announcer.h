#pragma once

#include <QString>

class QObject;

// Spoken announcements for assistive technologies (a too-small selection, a
// change of capture phase). Qt 6.4 has no announcement API, so each platform
// supplies its own best effort.
class Announcer {
public:
    // How urgent an announcement is; the numbers follow the usual scale.
    enum Priority { low = 10, medium = 50, high = 90 };

    virtual ~Announcer() = default;
    virtual void announce(QObject *source, const QString &text, Priority priority) = 0;
    // What was announced about `source` no longer holds (the user mended it).
    virtual void withdraw(QObject *source) { (void)source; }
};
