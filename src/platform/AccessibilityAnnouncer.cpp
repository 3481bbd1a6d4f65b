#include "platform/AccessibilityAnnouncer.h"

#include <QAccessible>
#include <QAccessibleEvent>
#include <QVariant>

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
    source->setProperty("ravelondAnnouncement", text);
    QAccessibleEvent described(source, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&described);
    QAccessibleEvent alert(source, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}
