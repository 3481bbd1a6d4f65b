#include "support/design/DesignEnvironment.h"

#include "platform/AccessibilityPreferences.h"
#include "platform/Appearance.h"
#include "platform/DesktopAccessibilityPreferences.h"
#include "platform/DesktopAppearance.h"
#include "platform/DesktopCompositor.h"

#include <QPointer>
#include <QVariant>
#include <QWidget>

namespace {

const char *const environmentProperty = "ravelondDesignEnvironment";

QPointer<DesignEnvironment> &replacedStandard()
{
    static QPointer<DesignEnvironment> environment;
    return environment;
}

} // namespace

DesignEnvironment::DesignEnvironment(AccessibilityPreferences &accessibility, Appearance &appearance,
                                     Compositing compositing, QObject *parent)
    : QObject(parent), accessibility_(&accessibility), appearance_(&appearance),
      compositing_(compositing ? std::move(compositing) : Compositing(&DesktopCompositor::isRunning))
{
    connect(accessibility_, &AccessibilityPreferences::changed, this, &DesignEnvironment::changed);
    connect(appearance_, &Appearance::changed, this, &DesignEnvironment::changed);
}

bool DesignEnvironment::isDark() const
{
    return appearance_->isDark();
}

bool DesignEnvironment::reduceMotion() const
{
    return accessibility_->reduceMotion();
}

bool DesignEnvironment::increaseContrast() const
{
    return accessibility_->increaseContrast();
}

bool DesignEnvironment::opaqueSurfaces() const
{
    return accessibility_->reduceTransparency() || !hasCompositor();
}

bool DesignEnvironment::hasCompositor() const
{
    return compositing_();
}

QColor DesignEnvironment::ink(SystemColours::Ink ink) const
{
    return SystemColours::ink(ink, isDark());
}

void DesignEnvironment::attach(QWidget &root)
{
    root.setProperty(environmentProperty, QVariant::fromValue(QPointer<DesignEnvironment>(this)));
}

void DesignEnvironment::detach(QWidget &root)
{
    root.setProperty(environmentProperty, QVariant());
}

DesignEnvironment &DesignEnvironment::of(const QWidget *widget)
{
    for (const QWidget *at = widget; at; at = at->parentWidget()) {
        const QVariant attached = at->property(environmentProperty);
        if (attached.isValid()) {
            if (DesignEnvironment *environment = attached.value<QPointer<DesignEnvironment>>())
                return *environment;
        }
    }
    return standard();
}

DesignEnvironment &DesignEnvironment::standard()
{
    if (DesignEnvironment *replaced = replacedStandard())
        return *replaced;
    static DesignEnvironment *desktop =
        new DesignEnvironment(DesktopAccessibilityPreferences::shared(), DesktopAppearance::shared());
    return *desktop;
}

void DesignEnvironment::setStandard(DesignEnvironment *environment)
{
    replacedStandard() = environment;
}

void DesignEnvironment::repaintOnChange(QWidget *widget)
{
    connect(this, &DesignEnvironment::changed, widget, qOverload<>(&QWidget::update), Qt::UniqueConnection);
}
