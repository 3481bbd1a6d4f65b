#include "support/design/DesignPalette.h"

#include "support/design/DesignEnvironment.h"
#include "support/design/DesignTokens.h"
#include "support/design/SystemColours.h"
#include "support/design/TrovStyle.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace {

constexpr double disabledTextOpacity = 0.35;

// Keeps one widget's palette on its environment's appearance.
class PaletteFollower : public QObject {
public:
    explicit PaletteFollower(QWidget &root) : QObject(&root), root_(root) { root_.installEventFilter(this); }

    void apply()
    {
        DesignEnvironment &environment = DesignEnvironment::of(&root_);
        if (environment_ != &environment) {
            if (environment_)
                disconnect(environment_, nullptr, this, nullptr);
            environment_ = &environment;
            connect(environment_, &DesignEnvironment::changed, this, &PaletteFollower::apply);
        }
        root_.setPalette(DesignPalette::of(environment.isDark()));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The environment is looked up again: the root may have moved into a
        // window that carries another one.
        if (watched == &root_ && (event->type() == QEvent::Show || event->type() == QEvent::ParentChange))
            apply();
        return false;
    }

private:
    QWidget &root_;
    QPointer<DesignEnvironment> environment_;
};

} // namespace

QPalette DesignPalette::of(bool dark)
{
    const QColor window = SystemColours::windowBackground(dark);
    const QColor button = dark ? QColor(74, 74, 74) : QColor(252, 252, 252);
    QPalette palette(button, window);
    const QColor text = SystemColours::label(dark);
    const QColor dimmed = DesignTokens::withOpacity(text, disabledTextOpacity);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor ink = group == QPalette::Disabled ? dimmed : text;
        palette.setColor(group, QPalette::WindowText, ink);
        palette.setColor(group, QPalette::Text, ink);
        palette.setColor(group, QPalette::ButtonText, ink);
        palette.setColor(group, QPalette::Base, dark ? QColor(30, 30, 30) : Qt::white);
        palette.setColor(group, QPalette::AlternateBase, dark ? QColor(40, 40, 40) : QColor(244, 244, 244));
        palette.setColor(group, QPalette::PlaceholderText, SystemColours::secondaryLabel(dark));
        palette.setColor(group, QPalette::Highlight, TrovStyle::teal(dark));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::ToolTipBase, dark ? QColor(60, 60, 60) : QColor(255, 255, 240));
        palette.setColor(group, QPalette::ToolTipText, text);
    }
    return palette;
}

void DesignPalette::follow(QWidget &root)
{
    root.setAutoFillBackground(true);
    (new PaletteFollower(root))->apply();
}
