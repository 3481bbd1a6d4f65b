#include "views/SelectionToolbar.h"

#include "platform/AccessibilityPreferences.h"
#include "support/design/DesignTokens.h"
#include "support/design/ShadowUnderlay.h"
#include "support/design/ShortcutBadge.h"
#include "support/design/SoftShadow.h"
#include "support/design/SymbolLibrary.h"
#include "support/design/SystemColours.h"
#include "support/design/TrovStyle.h"
#include "views/SelectionPresentation.h"

#include <QEasingCurve>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace {

constexpr double symbolSize = 22;
constexpr double rowSpacing = 13;
constexpr double lineSpacing = 4;
constexpr double columnSpacing = 10;
constexpr double horizontalPadding = 19;
constexpr double verticalPadding = 15;
constexpr double cardRadius = DesignTokens::hintCardRadius;
const QString escapeLabel = QStringLiteral("esc");

QFont headlineFont()
{
    return DesignTokens::font(DesignTokens::FontRole::hintHeadline);
}

QFont sublineFont()
{
    return DesignTokens::font(DesignTokens::FontRole::hintSubline);
}

QFont hintFont()
{
    return DesignTokens::font(DesignTokens::FontRole::hintKeys);
}

QColor white(double opacity)
{
    return DesignTokens::withOpacity(Qt::white, opacity);
}

QColor black(double opacity)
{
    return DesignTokens::withOpacity(Qt::black, opacity);
}

// The card's shadow, and the hint line's: black, blurred, the card's 8 points down.
constexpr double cardShadowOpacity = 0.22;
constexpr double cardShadowRadius = 20;
constexpr QPointF cardShadowOffset(0, 8);
constexpr double hintShadowOpacity = 0.8;
constexpr double hintShadowRadius = 3;

double cardHeight()
{
    const double text = QFontMetricsF(headlineFont()).height() + lineSpacing + QFontMetricsF(sublineFont()).height();
    const double row = std::max({symbolSize, text, ShortcutBadge::sizeFor(escapeLabel).height()});
    return row + 2 * verticalPadding;
}

} // namespace

const QString SelectionToolbar::hintLine =
    QStringLiteral("↑ ↓ ← →  Move     ⇧  Resize     ⌥  Fine tune     ↵  Capture");

SelectionToolbar::SelectionToolbar(SelectionPresentation &state, AccessibilityPreferences &accessibility,
                                   QWidget *parent)
    : QWidget(parent), state_(state), accessibility_(accessibility), shownHasSelection_(state.hasSelection()),
      previousHeadline_(headline())
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    connect(&state_, &SelectionPresentation::changed, this, &SelectionToolbar::stateChanged);
    // The card's shadow spreads beyond this widget on every side.
    if (parent)
        new ShadowUnderlay(*this, *parent, SoftShadow::reach(cardShadowRadius, cardShadowOffset),
                           [this](QPainter &painter) { paintCardShadow(painter); });
}

QString SelectionToolbar::headline() const
{
    if (state_.needsLarger())
        return QStringLiteral("A little more room for the words.");
    if (state_.hasSelection() && state_.keyboard())
        return QStringLiteral("Looks good? Press Return.");
    if (state_.hasSelection())
        return QStringLiteral("Release. We’ll take it from here.");
    return QStringLiteral("Frame the words you want.");
}

QString SelectionToolbar::subline() const
{
    if (state_.practice())
        return QStringLiteral("Practice trov · select the sample below");
    return QStringLiteral("Drag to select · %1").arg(state_.engine().title());
}

bool SelectionToolbar::isAnimating() const
{
    return fade_ != nullptr;
}

QColor SelectionToolbar::cardBackground() const
{
    // The dark window background, or a translucent dark material over the picture.
    return accessibility_.reduceTransparency() ? QColor(50, 50, 50) : QColor(38, 38, 40, 214);
}

void SelectionToolbar::stateChanged()
{
    const bool selectionToggled = state_.hasSelection() != shownHasSelection_;
    shownHasSelection_ = state_.hasSelection();
    if (selectionToggled && !accessibility_.reduceMotion()) {
        if (fade_)
            fade_->stop();
        auto *fade = new QVariantAnimation(this);
        fade->setStartValue(0.0);
        fade->setEndValue(1.0);
        fade->setDuration(fadeMilliseconds);
        fade->setEasingCurve(QEasingCurve::OutCubic);
        connect(fade, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
            fadeProgress_ = value.toDouble();
            update();
        });
        connect(fade, &QVariantAnimation::finished, this, [this] {
            previousHeadline_ = headline();
            fadeProgress_ = 1;
            update();
        });
        fade_ = fade;
        fadeProgress_ = 0;
        fade->start(QAbstractAnimation::DeleteWhenStopped);
    } else if (!fade_) {
        previousHeadline_ = headline();
    }
    update();
}

QRectF SelectionToolbar::cardFrame() const
{
    const double hint = QFontMetricsF(hintFont()).height();
    const double column = cardHeight() + columnSpacing + hint;
    return QRectF(0, std::max(0.0, (height() - column) / 2), width(), cardHeight());
}

void SelectionToolbar::paintEvent(QPaintEvent *)
{
    if (width() <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF card = cardFrame();
    paintCard(painter, card);
    paintHintLine(painter, card.bottom() + columnSpacing);
}

void SelectionToolbar::paintCard(QPainter &painter, const QRectF &card)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(cardBackground());
    painter.drawRoundedRect(card, cardRadius, cardRadius);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(white(0.15), 1));
    painter.drawRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), cardRadius - 0.5, cardRadius - 0.5);

    const QRectF content = card.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    const QRectF symbol(content.left(), content.center().y() - symbolSize / 2, symbolSize, symbolSize);
    SymbolLibrary::paint(painter, QStringLiteral("viewfinder"), symbol, TrovStyle::mint(),
                         SymbolLibrary::Weight::light);

    const QSizeF badge = ShortcutBadge::sizeFor(escapeLabel);
    const QRectF badgeFrame(QPointF(content.right() - badge.width(), content.center().y() - badge.height() / 2), badge);
    // The card is dark in either appearance.
    ShortcutBadge::paint(painter, badgeFrame, escapeLabel, Qt::white, SystemColours::secondaryLabel(true));

    const double textLeft = symbol.right() + rowSpacing;
    const double textWidth = std::max(0.0, badgeFrame.left() - rowSpacing - textLeft);
    const double textHeight =
        QFontMetricsF(headlineFont()).height() + lineSpacing + QFontMetricsF(sublineFont()).height();
    paintHeadlines(painter, QPointF(textLeft, content.center().y() - textHeight / 2), textWidth);
}

void SelectionToolbar::paintCardShadow(QPainter &painter) const
{
    SoftShadow::paintRoundedRect(painter, cardFrame(), cardRadius, black(cardShadowOpacity), cardShadowRadius,
                                 cardShadowOffset);
}

void SelectionToolbar::paintHeadlines(QPainter &painter, QPointF topLeft, double width)
{
    const QFontMetricsF headlineMetrics(headlineFont());
    const QRectF headlineBox(topLeft, QSizeF(width, headlineMetrics.height()));
    painter.setFont(headlineFont());
    const Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
    if (fade_ && previousHeadline_ != headline()) {
        painter.setPen(white(1 - fadeProgress_));
        painter.drawText(headlineBox, align, headlineMetrics.elidedText(previousHeadline_, Qt::ElideRight, width));
        painter.setPen(white(fadeProgress_));
    } else {
        painter.setPen(Qt::white);
    }
    painter.drawText(headlineBox, align, headlineMetrics.elidedText(headline(), Qt::ElideRight, width));

    const QFontMetricsF sublineMetrics(sublineFont());
    const QRectF sublineBox(QPointF(topLeft.x(), headlineBox.bottom() + lineSpacing),
                            QSizeF(width, sublineMetrics.height()));
    painter.setFont(sublineFont());
    painter.setPen(white(0.55));
    painter.drawText(sublineBox, align, sublineMetrics.elidedText(subline(), Qt::ElideRight, width));
}

void SelectionToolbar::paintHintLine(QPainter &painter, double top)
{
    const QRectF line(0, top, width(), QFontMetricsF(hintFont()).height());
    painter.setFont(hintFont());
    // A dark halo keeps the line legible over any picture.
    const QFontMetricsF metrics(hintFont());
    const HintHalo &halo = hintHalo(painter);
    const QPointF at = QPointF(line.center().x() - metrics.horizontalAdvance(hintLine) / 2, line.top()) + halo.offset;
    // On whole device pixels, so the picture is copied, not resampled.
    const qreal ratio = halo.image.devicePixelRatio();
    painter.drawImage(QPointF(std::round(at.x() * ratio) / ratio, std::round(at.y() * ratio) / ratio), halo.image);
    painter.setPen(white(0.85));
    painter.drawText(line, Qt::AlignHCenter | Qt::AlignTop, hintLine);
}

const SelectionToolbar::HintHalo &SelectionToolbar::hintHalo(const QPainter &painter)
{
    // Made once for the face and scale: the line's outline and its blur cost
    // more than the rest of the overlay's first frame.
    static HintHalo halo;
    const QFont font = hintFont();
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    const QString key = font.key() + QLatin1Char('@') + QString::number(ratio);
    if (halo.key == key)
        return halo;
    const QFontMetricsF metrics(font);
    QPainterPath glyphs;
    glyphs.addText(QPointF(0, metrics.ascent()), font, hintLine);
    // Room for the blur around the glyphs.
    const double margin = 4 * hintShadowRadius;
    const QRectF outline = glyphs.boundingRect().adjusted(-margin, -margin, margin, margin);
    const QRectF bounds(QPointF(std::floor(outline.left()), std::floor(outline.top())), outline.size() + QSizeF(1, 1));
    QImage image((bounds.size() * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter blurred(&image);
    blurred.translate(-bounds.topLeft());
    SoftShadow::paint(blurred, glyphs, black(hintShadowOpacity), hintShadowRadius);
    blurred.end();
    halo = {key, image, bounds.topLeft()};
    return halo;
}
