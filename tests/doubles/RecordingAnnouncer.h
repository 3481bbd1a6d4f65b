#pragma once

#include "platform/Announcer.h"

#include <QList>
#include <QObject>

// Keeps every announcement for the test to inspect.
class RecordingAnnouncer : public Announcer {
public:
    struct Announcement {
        QObject *source;
        QString text;
        Priority priority;
    };

    void announce(QObject *source, const QString &text, Priority priority) override
    {
        announcements.append({source, text, priority});
    }
    void withdraw(QObject *source) override { withdrawn.append(source); }

    QList<Announcement> announcements;
    QList<QObject *> withdrawn;
};
