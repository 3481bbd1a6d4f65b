#include "support/design/DesignPalette.h"

#include "support/design/DesignEnvironment.h"
#include "support/design/DesignTokens.h"
#include "support/design/SystemColours.h"
#include "support/design/TrovStyle.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

namespace {

constexpr double disabledTextOpacity = 0.4;
const QString followerName = QStringLiteral("designPaletteFollower");

// Keeps one widget's palette on its environment's appearance.
class PaletteFollower : public QObject {
public:
    explicit PaletteFollower(QWidget &root) : QObject(&root), root_(root)
    {
        setObjectName(followerName);
        root_.installEventFilter(this);
    }

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

QColor DesignPalette::shownOver(const QColor &ground, const QColor &colour)
{
    const double alpha = colour.alphaF();
    const auto mix = [alpha](float top, float bottom) { return float(top * alpha + bottom * (1 - alpha)); };
    return QColor::fromRgbF(mix(colour.redF(), ground.redF()), mix(colour.greenF(), ground.greenF()),
                            mix(colour.blueF(), ground.blueF()));
}

QPalette DesignPalette::of(bool dark)
{
    const QColor window = SystemColours::windowBackground(dark);
    const QColor text = shownOver(window, SystemColours::label(dark));
    const QColor secondary = shownOver(window, SystemColours::secondaryLabel(dark));
    const QColor base = dark ? QColor(30, 30, 30) : QColor(255, 255, 255);
    const QColor button = dark ? QColor(74, 74, 74) : QColor(252, 252, 252);
    const QColor accent = TrovStyle::teal(dark);

    QPalette palette;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        const QColor ink = disabled ? shownOver(window, DesignTokens::withOpacity(text, disabledTextOpacity)) : text;
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
    // The follower has no meta-object of its own: it is known by its name.
    if (QObject *follower = root.findChild<QObject *>(followerName, Qt::FindDirectChildrenOnly)) {
        static_cast<PaletteFollower *>(follower)->apply();
        return;
    }
    root.setAutoFillBackground(true);
    (new PaletteFollower(root))->apply();
}

void DesignPalette::followApplication()
{
    static QPointer<DesignEnvironment> followed;
    DesignEnvironment &environment = DesignEnvironment::standard();
    if (followed == &environment)
        return;
    if (followed)
        QObject::disconnect(followed, &DesignEnvironment::changed, qApp, nullptr);
    followed = &environment;
    const auto apply = [&environment, dark = std::make_shared<std::optional<bool>>()] {
        // Every other setting of the environment leaves the palette as it is.
        if (*dark == environment.isDark())
            return;
        *dark = environment.isDark();
        QApplication::setPalette(of(environment.isDark()));
    };
    QObject::connect(&environment, &DesignEnvironment::changed, qApp, apply);
    apply();
}
