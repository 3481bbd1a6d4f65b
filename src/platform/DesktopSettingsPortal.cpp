#include "platform/DesktopSettingsPortal.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QMap>

namespace {

const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
const QString interface = QStringLiteral("org.freedesktop.portal.Settings");

using SettingsTree = QMap<QString, QVariantMap>;

QString joined(const QString &group, const QString &key)
{
    return group + QLatin1Char('\n') + key;
}

// D-Bus variants may arrive nested (a variant holding a variant).
QVariant unwrapped(QVariant value)
{
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}

} // namespace

Q_DECLARE_METATYPE(SettingsTree)

DesktopSettingsPortal &DesktopSettingsPortal::shared()
{
    // Lives for the whole process, like the desktop it reflects.
    static DesktopSettingsPortal *portal = new DesktopSettingsPortal();
    return *portal;
}

DesktopSettingsPortal::DesktopSettingsPortal()
{
    qDBusRegisterMetaType<SettingsTree>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(service, path, interface, QStringLiteral("SettingChanged"), this,
                SLOT(settingChanged(QString, QString, QDBusVariant)));
    readAll();
}

void DesktopSettingsPortal::readAll()
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("ReadAll"));
    call << QStringList{QStringLiteral("org.freedesktop.appearance"), QStringLiteral("org.gnome.desktop.interface"),
                        QStringLiteral("org.gnome.desktop.a11y.interface"), QStringLiteral("org.kde.kdeglobals.KDE")};
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *finished) {
        finished->deleteLater();
        const QDBusPendingReply<SettingsTree> reply = *finished;
        if (reply.isError())
            return;
        const SettingsTree tree = reply.value();
        for (auto group = tree.cbegin(); group != tree.cend(); ++group) {
            for (auto entry = group->cbegin(); entry != group->cend(); ++entry)
                values_.insert(joined(group.key(), entry.key()), unwrapped(entry.value()));
        }
        Q_EMIT changed();
    });
}

QVariant DesktopSettingsPortal::value(const QString &group, const QString &key) const
{
    return values_.value(joined(group, key));
}

void DesktopSettingsPortal::settingChanged(const QString &group, const QString &key, const QDBusVariant &value)
{
    store(group, key, unwrapped(value.variant()));
}

void DesktopSettingsPortal::store(const QString &group, const QString &key, const QVariant &value)
{
    values_.insert(joined(group, key), value);
    Q_EMIT changed();
}
