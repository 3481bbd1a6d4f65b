#pragma once

#include <QDBusVariant>
#include <QHash>
#include <QObject>
#include <QVariant>

// The desktop's settings as xdg-desktop-portal publishes them (the freedesktop
// appearance namespace plus the GNOME and KDE keys we use). Read once without
// blocking when first used, then kept current through SettingChanged. Without
// a session bus or a portal every value is absent.
class DesktopSettingsPortal : public QObject {
    Q_OBJECT
public:
    static DesktopSettingsPortal &shared();

    // The value of `key` in `group`, or an invalid QVariant when not published.
    QVariant value(const QString &group, const QString &key) const;

Q_SIGNALS:
    void changed();

private Q_SLOTS:
    void settingChanged(const QString &group, const QString &key, const QDBusVariant &value);

private:
    DesktopSettingsPortal();
    void readAll();
    void store(const QString &group, const QString &key, const QVariant &value);

    QHash<QString, QVariant> values_;
};
