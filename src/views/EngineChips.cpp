#include "views/EngineChips.h"

#include "support/design/AnimatedButton.h"
#include "support/design/DesignTokens.h"
#include "support/design/SymbolLibrary.h"
#include "support/design/TrovStyle.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace {

using Ink = SystemColours::Ink;

constexpr int rowSpacing = 8;
constexpr double contentSpacing = 6;
constexpr double verticalPadding = 9;
constexpr double symbolSide = 12;
constexpr double badgeSide = 10;
constexpr double highlightOpacity = 0.14;
constexpr double selectedBorderOpacity = 0.6;
constexpr double borderOpacity = 0.06;
const QString badgeSymbol = QStringLiteral("arrow.down.circle");

QFont chipFont()
{
    return DesignTokens::font(DesignTokens::FontRole::chip);
}

// One chip: the engine's symbol and title (and the badge), centred, over a
// border that is mint in proportion to how selected the chip is now.
class EngineChip : public AnimatedButton {
public:
    EngineChip(OCREngine engine, const EngineChips &row, QWidget *parent)
        : AnimatedButton(DesignTokens::quietHoverMs, 0, parent), engine_(engine), row_(row)
    {
        setObjectName(QStringLiteral("engineChip.") + engine.rawValue());
        setProperty("symbol", engine.symbol());
        setText(engine.title());
        setAccessibleName(QStringLiteral("Use ") + engine.title());
        setCheckable(true);
        setAutoExclusive(true);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    void setBadged(bool badged)
    {
        badged_ = badged;
        setProperty("badgeSymbol", badged ? QVariant(badgeSymbol) : QVariant());
        updateGeometry();
        update();
    }

    QSize sizeHint() const override
    {
        const QFontMetricsF metrics(chipFont());
        double width = symbolSide + contentSpacing + metrics.horizontalAdvance(text());
        if (badged_)
            width += contentSpacing + badgeSide;
        return QSize(int(std::ceil(width + 2 * contentSpacing)),
                     int(std::ceil(std::max(metrics.height(), symbolSide) + 2 * verticalPadding)));
    }
    QSize minimumSizeHint() const override { return QSize(0, sizeHint().height()); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        const DesignEnvironment &environment = this->environment();
        if (!isEnabled())
            painter.setOpacity(0.45);
        else if (isDown())
            painter.setOpacity(0.7);
        const double selected = row_.selectionOf(engine_);
        const QColor primary = environment.ink(Ink::primary);
        const QColor border = mix(DesignTokens::withOpacity(primary, borderOpacity),
                                  DesignTokens::withOpacity(TrovStyle::mint(), selectedBorderOpacity), selected);
        painter.setPen(QPen(border, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), EngineChips::radius - 0.5,
                                EngineChips::radius - 0.5);

        const QFontMetricsF metrics(chipFont());
        const double titleWidth = metrics.horizontalAdvance(text());
        const double contentWidth =
            symbolSide + contentSpacing + titleWidth + (badged_ ? contentSpacing + badgeSide : 0);
        double left = std::max(contentSpacing, (width() - contentWidth) / 2);
        const double middle = height() / 2.0;
        SymbolLibrary::paint(painter, engine_.symbol(), QRectF(left, middle - symbolSide / 2, symbolSide, symbolSide),
                             primary, SymbolLibrary::Weight::medium);
        left += symbolSide + contentSpacing;
        painter.setFont(chipFont());
        painter.setPen(primary);
        const double available = width() - left - contentSpacing - (badged_ ? contentSpacing + badgeSide : 0);
        painter.drawText(QRectF(left, 0, available, height()), Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(text(), Qt::ElideRight, available));
        if (badged_) {
            const double badgeLeft = left + std::min(titleWidth, available) + contentSpacing;
            SymbolLibrary::paint(painter, badgeSymbol, QRectF(badgeLeft, middle - badgeSide / 2, badgeSide, badgeSide),
                                 primary, SymbolLibrary::Weight::medium);
        }
        // The ring at full strength, on a held or disabled chip too.
        painter.setOpacity(1);
        paintFocusRing(painter, EngineChips::radius);
    }

private:
    static QColor mix(const QColor &from, const QColor &to, double share)
    {
        const auto between = [share](float a, float b) { return a + (b - a) * float(share); };
        return QColor::fromRgbF(between(from.redF(), to.redF()), between(from.greenF(), to.greenF()),
                                between(from.blueF(), to.blueF()), between(from.alphaF(), to.alphaF()));
    }

    OCREngine engine_;
    const EngineChips &row_;
    bool badged_ = false;
};

} // namespace

EngineChips::EngineChips(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(rowSpacing);
    for (const OCREngine engine : OCREngine::allCases()) {
        auto *chip = new EngineChip(engine, *this, this);
        connect(chip, &QAbstractButton::clicked, this, [this, engine] { Q_EMIT chosen(engine); });
        connect(chip, &QAbstractButton::toggled, this, qOverload<>(&QWidget::update));
        row->addWidget(chip, 1);
        chips_.append(chip);
    }
    setSelected(OCREngine::vision, false);
}

QAbstractButton *EngineChips::chip(OCREngine engine) const
{
    for (QAbstractButton *chip : chips_) {
        if (chip->objectName().endsWith(engine.rawValue()))
            return chip;
    }
    return nullptr;
}

void EngineChips::setBadged(bool mlxNeedsSetup)
{
    static_cast<EngineChip *>(chip(OCREngine::mlx))->setBadged(mlxNeedsSetup);
}

qreal EngineChips::spring(qreal progress)
{
    constexpr double response = 0.3;
    constexpr double damping = 0.85;
    const double omega = 2 * M_PI / response;
    const double damped = omega * std::sqrt(1 - damping * damping);
    const double t = progress * glideMs / 1000.0;
    const double envelope = std::exp(-damping * omega * t);
    const double value = 1 - envelope * (std::cos(damped * t) + damping * omega / damped * std::sin(damped * t));
    // The spring is all but at rest when the glide ends: land exactly.
    return progress >= 1 ? 1 : value;
}

bool EngineChips::isGliding() const
{
    return glide_ && glide_->state() == QAbstractAnimation::Running;
}

void EngineChips::setSelected(OCREngine engine, bool animated)
{
    if (QAbstractButton *chosen = chip(engine))
        chosen->setChecked(true);
    if (engine == selected_) {
        update();
        return;
    }
    // From wherever the highlight is now, so a switch in mid-glide turns back smoothly.
    from_ = highlightRect();
    previous_ = selected_;
    selected_ = engine;
    if (glide_)
        glide_->stop();
    if (!animated || !isVisible()) {
        settle();
        return;
    }
    share_ = 0;
    auto *glide = new QVariantAnimation(this);
    glide->setStartValue(0.0);
    glide->setEndValue(1.0);
    glide->setDuration(glideMs);
    QEasingCurve curve;
    curve.setCustomType(&EngineChips::spring);
    glide->setEasingCurve(curve);
    connect(glide, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        share_ = value.toDouble();
        update();
        for (QAbstractButton *each : chips_)
            each->update();
    });
    glide_ = glide;
    glide->start(QAbstractAnimation::DeleteWhenStopped);
}

void EngineChips::settle()
{
    if (glide_)
        glide_->stop();
    share_ = 1;
    update();
    for (QAbstractButton *each : chips_)
        each->update();
}

void EngineChips::hideEvent(QHideEvent *event)
{
    settle();
    QWidget::hideEvent(event);
}

double EngineChips::selectionOf(OCREngine engine) const
{
    if (engine == selected_)
        return std::clamp(share_, 0.0, 1.0);
    if (engine == previous_)
        return std::clamp(1 - share_, 0.0, 1.0);
    return 0;
}

QRectF EngineChips::highlightRect() const
{
    const QRectF to = chip(selected_)->geometry();
    if (share_ >= 1)
        return to;
    const auto between = [this](double a, double b) { return a + (b - a) * share_; };
    return QRectF(between(from_.left(), to.left()), between(from_.top(), to.top()), between(from_.width(), to.width()),
                  between(from_.height(), to.height()));
}

void EngineChips::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);
    painter.setPen(Qt::NoPen);
    painter.setBrush(DesignTokens::withOpacity(TrovStyle::mint(), highlightOpacity));
    painter.drawRoundedRect(highlightRect(), radius, radius);
}
