#pragma once

#include "platform/Announcer.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QDBusConnection;

// Announcements on the AT-SPI accessibility bus, without moving the focus.
//
// A screen reader that listens for AT-SPI's announcement event (Orca 46 and
// later) gets exactly that: the text, with its politeness, from the source's
// element. One that does not (Orca 43, Debian 12's) is shown a notification
// instead: an element with the notification role, whose name is the text and
// which holds the text as a label too, comes on show among the application's
// children, as a desktop notification does. Which of the two is asked of the
// registry each time, so a reader never hears the same announcement twice; an
// announcement withdrawn before the registry answers is not made at all.
// Nothing happens when no assistive technology is listening.
class AccessibilityAnnouncer : public Announcer {
public:
    static AccessibilityAnnouncer &shared();
    void announce(QObject *source, const QString &text, Priority priority) override;
    void withdraw(QObject *source) override;

    // AT-SPI's politeness for a priority: 1 polite, 2 assertive.
    static int politeness(Priority priority);
    // Whether any of the event names a client registered (AT-SPI's own
    // spelling, "object:announcement", or the bus's, "Object:Announcement")
    // covers the announcement event.
    static bool coversAnnouncements(const QStringList &eventNames);

    // The notification element, for tests; its accessible name is the text.
    QObject &notification() { return notification_; }

private:
    AccessibilityAnnouncer();
    void announceOnBus(const QDBusConnection &bus, const QString &path, const QString &text, int politeness);
    void showNotification(QObject *source, const QString &text);
    void hideNotification();
    // Whether the announcement `asked` was still awaiting the registry's
    // answer (it was not withdrawn meanwhile); it no longer is.
    bool stopAwaiting(quint64 asked);

    // An announcement waiting for the registry to say who listens.
    struct Awaited {
        quint64 asked;
        QPointer<QObject> source;
    };

    QObject notification_;
    QObject notificationLabel_;
    QPointer<QObject> notifiedSource_;
    QList<Awaited> awaited_;
    quint64 lastAsked_ = 0;
};
