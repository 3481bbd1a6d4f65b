#include "platform/AccessibilityAnnouncer.h"

#include <QAccessible>
#include <QAccessibleEvent>
#include <QVariant>

namespace {

constexpr const char *property = "ravelondAnnouncement";

} // namespace

AccessibilityAnnouncer &AccessibilityAnnouncer::shared()
{
    static AccessibilityAnnouncer announcer;
    return announcer;
}

void AccessibilityAnnouncer::announce(QObject *source, const QString &text, Priority)
{
    if (!source || !QAccessible::isActive())
        return;
    // Our accessible interfaces read this property as the description, so the
    // alert carries the text to the screen reader.
    source->setProperty(property, text);
    QAccessibleEvent described(source, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&described);
    QAccessibleEvent alert(source, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

void AccessibilityAnnouncer::withdraw(QObject *source)
{
    if (!source || source->property(property).toString().isEmpty())
        return;
    // Left in place, the stale text would stay the description for good.
    source->setProperty(property, QString());
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent described(source, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&described);
}
