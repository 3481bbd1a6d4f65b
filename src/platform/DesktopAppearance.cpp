#include "platform/DesktopAppearance.h"

#include "platform/DesktopSettingsPortal.h"

#include <QGuiApplication>
#include <QPalette>

DesktopAppearance &DesktopAppearance::shared()
{
    static DesktopAppearance *appearance = new DesktopAppearance();
    return *appearance;
}

DesktopAppearance::DesktopAppearance()
{
    connect(&DesktopSettingsPortal::shared(), &DesktopSettingsPortal::changed, this, &Appearance::changed);
}

bool DesktopAppearance::isDark() const
{
    const QByteArray forced = qgetenv("RAVELOND_APPEARANCE").trimmed().toLower();
    if (forced == "dark" || forced == "light")
        return forced == "dark";
    const DesktopSettingsPortal &portal = DesktopSettingsPortal::shared();
    // 1 means "prefer dark", 2 "prefer light", 0 no preference.
    const QVariant scheme = portal.value(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"));
    if (scheme.isValid() && scheme.toUInt() != 0)
        return scheme.toUInt() == 1;
    const QVariant gnome = portal.value(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("color-scheme"));
    if (gnome.isValid())
        return gnome.toString() == QLatin1String("prefer-dark");
    return QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
}
