#include "platform/DesktopAccessibilityPreferences.h"

#include "platform/DesktopSettingsPortal.h"

#include <optional>

namespace {

std::optional<bool> overridden(const char *variable)
{
    const QByteArray value = qgetenv(variable).trimmed();
    if (value == "1")
        return true;
    if (value == "0")
        return false;
    return std::nullopt;
}

QVariant desktopValue(const char *group, const char *key)
{
    return DesktopSettingsPortal::shared().value(QLatin1String(group), QLatin1String(key));
}

} // namespace

DesktopAccessibilityPreferences &DesktopAccessibilityPreferences::shared()
{
    static DesktopAccessibilityPreferences *preferences = new DesktopAccessibilityPreferences();
    return *preferences;
}

DesktopAccessibilityPreferences::DesktopAccessibilityPreferences()
{
    connect(&DesktopSettingsPortal::shared(), &DesktopSettingsPortal::changed, this,
            &AccessibilityPreferences::changed);
}

bool DesktopAccessibilityPreferences::reduceMotion() const
{
    if (const auto forced = overridden("RAVELOND_REDUCE_MOTION"))
        return *forced;
    const QVariant animations = desktopValue("org.gnome.desktop.interface", "enable-animations");
    if (animations.isValid() && !animations.toBool())
        return true;
    const QVariant factor = desktopValue("org.kde.kdeglobals.KDE", "AnimationDurationFactor");
    return factor.isValid() && factor.toDouble() == 0;
}

bool DesktopAccessibilityPreferences::reduceTransparency() const
{
    return overridden("RAVELOND_REDUCE_TRANSPARENCY").value_or(false);
}

bool DesktopAccessibilityPreferences::increaseContrast() const
{
    if (const auto forced = overridden("RAVELOND_INCREASE_CONTRAST"))
        return *forced;
    const QVariant contrast = desktopValue("org.freedesktop.appearance", "contrast");
    if (contrast.isValid() && contrast.toUInt() == 1)
        return true;
    return desktopValue("org.gnome.desktop.a11y.interface", "high-contrast").toBool();
}
