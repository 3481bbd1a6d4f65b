#include "support/design/DesignPalette.h"

#include "support/design/DesignEnvironment.h"
#include "support/design/DesignTokens.h"
#include "support/design/SystemColours.h"
#include "support/design/TrovStyle.h"

#include <QPointer>
#include <QWidget>

namespace {

const char *const followedProperty = "ravelondPaletteFollows";

} // namespace

QColor DesignPalette::shownOver(const QColor &ground, const QColor &colour)
{
    const double alpha = colour.alphaF();
    const auto mix = [alpha](float top, float bottom) { return float(top * alpha + bottom * (1 - alpha)); };
    return QColor::fromRgbF(mix(colour.redF(), ground.redF()), mix(colour.greenF(), ground.greenF()),
                            mix(colour.blueF(), ground.blueF()));
}

QPalette DesignPalette::forAppearance(bool dark)
{
    const QColor window = SystemColours::windowBackground(dark);
    const QColor text = shownOver(window, SystemColours::label(dark));
    const QColor secondary = shownOver(window, SystemColours::secondaryLabel(dark));
    const QColor base = dark ? QColor(30, 30, 30) : QColor(255, 255, 255);
    const QColor button = dark ? QColor(88, 88, 88) : QColor(252, 252, 252);
    const QColor accent = TrovStyle::teal(dark);

    QPalette palette;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        const QColor ink = disabled ? shownOver(window, DesignTokens::withOpacity(text, 0.4)) : text;
        palette.setColor(group, QPalette::Window, window);
        palette.setColor(group, QPalette::WindowText, ink);
        palette.setColor(group, QPalette::Base, base);
        palette.setColor(group, QPalette::AlternateBase, shownOver(base, SystemColours::separator(dark)));
        palette.setColor(group, QPalette::Text, ink);
        palette.setColor(group, QPalette::PlaceholderText, secondary);
        palette.setColor(group, QPalette::Button, button);
        palette.setColor(group, QPalette::ButtonText, ink);
        palette.setColor(group, QPalette::BrightText, Qt::white);
        palette.setColor(group, QPalette::Light, button.lighter(dark ? 130 : 102));
        palette.setColor(group, QPalette::Midlight, button.lighter(dark ? 115 : 101));
        palette.setColor(group, QPalette::Mid, button.darker(dark ? 130 : 115));
        palette.setColor(group, QPalette::Dark, button.darker(dark ? 160 : 140));
        palette.setColor(group, QPalette::Shadow, dark ? QColor(0, 0, 0) : QColor(0, 0, 0, 90));
        palette.setColor(group, QPalette::Highlight, disabled ? secondary : accent);
        palette.setColor(group, QPalette::HighlightedText, dark ? QColor(0, 0, 0) : QColor(255, 255, 255));
        palette.setColor(group, QPalette::Link, accent);
        palette.setColor(group, QPalette::ToolTipBase, base);
        palette.setColor(group, QPalette::ToolTipText, text);
    }
    return palette;
}

void DesignPalette::follow(QWidget &root)
{
    DesignEnvironment &environment = DesignEnvironment::of(&root);
    root.setPalette(forAppearance(environment.isDark()));
    // One connection per environment the widget has read.
    const QVariant followed = root.property(followedProperty);
    if (followed.isValid() && followed.value<QPointer<DesignEnvironment>>() == &environment)
        return;
    root.setProperty(followedProperty, QVariant::fromValue(QPointer<DesignEnvironment>(&environment)));
    QPointer<QWidget> widget(&root);
    QObject::connect(&environment, &DesignEnvironment::changed, &root, [widget, &environment] {
        if (widget && &DesignEnvironment::of(widget) == &environment)
            widget->setPalette(forAppearance(environment.isDark()));
    });
}
