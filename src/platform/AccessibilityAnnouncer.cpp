#include "platform/AccessibilityAnnouncer.h"

#include "platform/ApplicationAccessible.h"

#include <QAccessible>
#include <QAccessibleEvent>
#include <QAccessibleObject>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QPointer>

namespace {

// Qt's bridge names its connection to the accessibility bus so; our signals
// must come from the same connection, which serves the elements they name.
const QString busConnectionName = QStringLiteral("a11y");
const QString registryService = QStringLiteral("org.a11y.atspi.Registry");
const QString registryPath = QStringLiteral("/org/a11y/atspi/registry");
const QString rootPath = QStringLiteral("/org/a11y/atspi/accessible/root");
const QString elementPathPrefix = QStringLiteral("/org/a11y/atspi/accessible/");

const char *const textProperty = "announcement";

// The notification element: no window, read as its text. The text is both
// its name and its one child, a label: a reader that presents a notification
// by the labels inside it, as desktop notifications are built, finds the
// words there too, not just the role.
class NotificationAccessible : public QAccessibleObject {
public:
    NotificationAccessible(QObject *element, QObject *label) : QAccessibleObject(element), label_(label) {}
    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(QCoreApplication::instance());
    }
    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(label_) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() == label_ ? 0 : -1;
    }
    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Name ? object()->property(textProperty).toString() : QString();
    }
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invisible = object()->property(textProperty).toString().isEmpty();
        return state;
    }

private:
    QObject *label_;
};

// The notification's label: the same text, inside it.
class NotificationLabelAccessible : public QAccessibleObject {
public:
    NotificationLabelAccessible(QObject *label, QObject *notification)
        : QAccessibleObject(label), notification_(notification)
    {
    }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(notification_); }
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Name ? notification_->property(textProperty).toString() : QString();
    }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invisible = notification_->property(textProperty).toString().isEmpty();
        return state;
    }

private:
    QObject *notification_;
};

// The bus path Qt's bridge gives an object's element.
QString pathOf(QObject *object)
{
    QAccessibleInterface *element = object ? QAccessible::queryAccessibleInterface(object) : nullptr;
    if (!element || element->role() == QAccessible::Application)
        return rootPath;
    return elementPathPrefix + QString::number(QAccessible::uniqueId(element));
}

QStringList eventNames(const QDBusMessage &reply)
{
    QStringList names;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return names;
    const auto listeners = reply.arguments().constFirst().value<QDBusArgument>();
    listeners.beginArray();
    while (!listeners.atEnd()) {
        QString bus;
        QString name;
        listeners.beginStructure();
        listeners >> bus >> name;
        listeners.endStructure();
        names.append(name);
    }
    listeners.endArray();
    return names;
}

} // namespace

AccessibilityAnnouncer &AccessibilityAnnouncer::shared()
{
    static AccessibilityAnnouncer announcer;
    return announcer;
}

AccessibilityAnnouncer::AccessibilityAnnouncer()
{
    notification_.setObjectName(QStringLiteral("announcement"));
    notificationLabel_.setObjectName(QStringLiteral("announcementText"));
    QAccessible::registerAccessibleInterface(new NotificationAccessible(&notification_, &notificationLabel_));
    QAccessible::registerAccessibleInterface(new NotificationLabelAccessible(&notificationLabel_, &notification_));
}

int AccessibilityAnnouncer::politeness(Priority priority)
{
    return priority >= high ? 2 : 1;
}

bool AccessibilityAnnouncer::coversAnnouncements(const QStringList &eventNames)
{
    for (QString name : eventNames) {
        name = name.toLower().remove(QLatin1Char('-'));
        if (name.isEmpty() || name == QLatin1String("object") || name == QLatin1String("object:") ||
            name == QLatin1String("object:announcement") || name.startsWith(QLatin1String("object:announcement:")))
            return true;
    }
    return false;
}

void AccessibilityAnnouncer::announce(QObject *source, const QString &text, Priority priority)
{
    if (!source || text.isEmpty() || !QAccessible::isActive())
        return;
    const QDBusConnection bus(busConnectionName);
    if (!bus.isConnected()) {
        showNotification(source, text);
        return;
    }
    const QString path = pathOf(source);
    const int level = politeness(priority);
    QPointer<QObject> from(source);
    const quint64 asked = ++lastAsked_;
    awaited_.append({asked, from});
    const QDBusMessage ask = QDBusMessage::createMethodCall(registryService, registryPath, registryService,
                                                            QStringLiteral("GetRegisteredEvents"));
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(ask), &notification_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &notification_,
                     [this, watcher, asked, path, level, text, from] {
                         watcher->deleteLater();
                         // Withdrawn while the registry was being asked: it no longer holds.
                         if (!stopAwaiting(asked))
                             return;
                         const QDBusConnection connection(busConnectionName);
                         if (coversAnnouncements(eventNames(watcher->reply())))
                             announceOnBus(connection, path, text, level);
                         else if (from)
                             showNotification(from, text);
                     });
}

void AccessibilityAnnouncer::announceOnBus(const QDBusConnection &bus, const QString &path, const QString &text,
                                           int politeness)
{
    // AT-SPI's event: kind, politeness, nothing, the text, and the application.
    QDBusMessage signal =
        QDBusMessage::createSignal(path, QStringLiteral("org.a11y.atspi.Event.Object"), QStringLiteral("Announcement"));
    QDBusArgument application;
    application.beginStructure();
    application << bus.baseService() << QDBusObjectPath(rootPath);
    application.endStructure();
    signal << QString() << politeness << 0 << QVariant::fromValue(QDBusVariant(text))
           << QVariant::fromValue(application);
    bus.send(signal);
}

void AccessibilityAnnouncer::showNotification(QObject *source, const QString &text)
{
    hideNotification();
    notifiedSource_ = source;
    notification_.setProperty(textProperty, text);
    ApplicationAccessible::addElement(&notification_);
    for (QObject *element : {&notification_, &notificationLabel_}) {
        QAccessibleEvent named(element, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&named);
    }
    QAccessibleEvent shown(&notification_, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

void AccessibilityAnnouncer::withdraw(QObject *source)
{
    if (!source)
        return;
    awaited_.removeIf([source](const Awaited &each) { return each.source == source; });
    if (source == notifiedSource_)
        hideNotification();
}

bool AccessibilityAnnouncer::stopAwaiting(quint64 asked)
{
    return awaited_.removeIf([asked](const Awaited &each) { return each.asked == asked; }) > 0;
}

void AccessibilityAnnouncer::hideNotification()
{
    notifiedSource_ = nullptr;
    if (notification_.property(textProperty).toString().isEmpty())
        return;
    // Leaves the application's children without a showing change: some
    // readers speak a notification on any change of its showing state.
    if (QAccessible::isActive()) {
        QAccessibleEvent removed(&notification_, QAccessible::ObjectDestroyed);
        QAccessible::updateAccessibility(&removed);
    }
    notification_.setProperty(textProperty, QString());
    ApplicationAccessible::removeElement(&notification_);
}
