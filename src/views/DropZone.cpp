#include "views/DropZone.h"

#include "support/design/ClampedLabel.h"
#include "support/design/DesignAccessibility.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/DesignTokens.h"
#include "support/design/Surface.h"
#include "support/design/SymbolImage.h"
#include "support/design/TrovStyle.h"

#include <QPainter>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace {

using Ink = SystemColours::Ink;

constexpr double radius = 14;
constexpr int verticalPadding = 19;
constexpr int horizontalPadding = 12;
constexpr int spacing = 10;
constexpr double symbolSide = 25;
constexpr double symbolOpacity = 0.7;
constexpr double targetedFillOpacity = 0.12;
constexpr double restingFillOpacity = 0.025;
constexpr double borderOpacity = 0.12;
constexpr int targetingMs = 160;

const QString restingSymbol = QStringLiteral("rectangle.dashed");
const QString targetedSymbol = QStringLiteral("arrow.down.doc");

} // namespace

const QString DropZone::headline = QStringLiteral("See it. Trov it. Paste it.");
const QString DropZone::hint = QStringLiteral("Drag an image here, or select anything on screen.");

DropZone::DropZone(QWidget *parent)
    : QWidget(parent),
      symbol_(new SymbolImage(restingSymbol, symbolSide, Ink::teal, SymbolLibrary::Weight::light, this)),
      headline_(new ClampedLabel(DesignTokens::font(DesignTokens::FontRole::emphasis), Ink::primary, this)),
      hint_(new ClampedLabel(DesignTokens::font(DesignTokens::FontRole::body), Ink::secondary, this))
{
    setObjectName(QStringLiteral("dropZone"));
    setProperty("symbol", restingSymbol);
    DesignAccessibility::markAsGroup(*this);
    setAttribute(Qt::WA_TranslucentBackground);
    symbol_->setInk(Ink::teal, symbolOpacity);
    headline_->setText(headline);
    headline_->setObjectName(QStringLiteral("dropHeadline"));
    headline_->setAlignment(Qt::AlignHCenter);
    hint_->setText(hint);
    hint_->setObjectName(QStringLiteral("dropHint"));
    hint_->setAlignment(Qt::AlignHCenter);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(horizontalPadding, verticalPadding, horizontalPadding, verticalPadding);
    column->setSpacing(spacing);
    column->addWidget(symbol_, 0, Qt::AlignHCenter);
    column->addWidget(headline_);
    column->addWidget(hint_);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void DropZone::setTargeted(bool targeted, bool animated)
{
    if (targeted == targeted_)
        return;
    targeted_ = targeted;
    const QString symbol = targeted ? targetedSymbol : restingSymbol;
    symbol_->setSymbol(symbol);
    setProperty("symbol", symbol);
    if (fade_)
        fade_->stop();
    if (!animated || !isVisible()) {
        settle();
        return;
    }
    auto *fade = new QVariantAnimation(this);
    fade->setStartValue(share_);
    fade->setEndValue(targeted ? 1.0 : 0.0);
    fade->setDuration(targetingMs);
    fade->setEasingCurve(DesignTokens::easeOut());
    connect(fade, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        share_ = value.toDouble();
        update();
    });
    fade_ = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void DropZone::settle()
{
    if (fade_)
        fade_->stop();
    share_ = targeted_ ? 1 : 0;
    update();
}

void DropZone::hideEvent(QHideEvent *event)
{
    // Nothing eases out of sight.
    settle();
    QWidget::hideEvent(event);
}

void DropZone::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QColor primary = DesignEnvironment::of(this).ink(Ink::primary);
    const QRectF frame(rect());
    // The two fills cross-fade as the drag comes and goes, under the dashed border.
    painter.setOpacity(1 - share_);
    Surface::paintCard(painter, frame, radius, primary, restingFillOpacity, 0);
    painter.setOpacity(share_);
    Surface::paintCard(painter, frame, radius, TrovStyle::mint(), targetedFillOpacity, 0);
    painter.setOpacity(1);
    Surface::paintCard(painter, frame, radius, primary, 0, borderOpacity, {4, 4});
}
