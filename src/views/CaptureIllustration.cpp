#include "views/CaptureIllustration.h"

#include "support/design/ClampedLabel.h"
#include "support/design/DesignAccessibility.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/DesignTokens.h"
#include "support/design/SoftShadow.h"
#include "support/design/SymbolLibrary.h"
#include "support/design/TrovStyle.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <QVariantAnimation>

#include <cmath>

namespace {

using Ink = SystemColours::Ink;

constexpr double sheetRadius = 22;
constexpr double shadowOpacity = 0.08;
constexpr double shadowBlur = 20;
constexpr double shadowDrop = 12;
constexpr double contentPadding = 21;
constexpr double contentSpacing = 20;
constexpr double dotSide = 6;
constexpr double dotSpacing = 5;
constexpr double boxPadding = 18;
constexpr double boxSpacing = 11;
constexpr double sampleLineSpacing = 4;
constexpr double capsuleHeight = 4;
constexpr double frameRadius = 8;
constexpr double frameWidth = 1.5;
constexpr double resultSpacing = 7;
constexpr double resultSymbolSide = 12;

const QString sampleText = QStringLiteral("Good ideas deserve\na life beyond pixels.");

QFont captionFont()
{
    return DesignTokens::font(DesignTokens::FontRole::illustrationCaption);
}

QFont resultFont()
{
    return DesignTokens::font(DesignTokens::FontRole::illustrationText);
}

QFont sampleFont()
{
    return DesignTokens::font(DesignTokens::FontRole::illustrationSample);
}

// The sheet's material: the window's colour, lighter than the panel behind it.
QColor sheetColour(bool dark)
{
    return dark ? QColor(58, 58, 60, 235) : QColor(252, 252, 252, 235);
}

} // namespace

const QString CaptureIllustration::label = QStringLiteral("Illustration: a screenshot becomes editable text.");

CaptureIllustration::CaptureIllustration(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("captureIllustration"));
    DesignAccessibility::markAsPicture(*this);
    setAccessibleName(label);
    setProperty("symbol", QStringLiteral("checkmark.circle.fill"));
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
}

CaptureIllustration::~CaptureIllustration() = default;

QMargins CaptureIllustration::overhang()
{
    // The tilt lifts the corners by about 7 points; the shadow reaches 30
    // points out, 12 of them further down.
    return QMargins(28, 26, 28, 50);
}

QSize CaptureIllustration::sizeHint() const
{
    return cardSize.grownBy(overhang());
}

QRect CaptureIllustration::cardFrame() const
{
    return QRect(QPoint(overhang().left(), overhang().top()), cardSize);
}

bool CaptureIllustration::isScanning() const
{
    return sweep_ && sweep_->state() == QAbstractAnimation::Running;
}

double CaptureIllustration::tilt() const
{
    return DesignEnvironment::of(this).reduceMotion() ? 0 : tiltDegrees;
}

double CaptureIllustration::bandOffsetAt(qint64 elapsedMs)
{
    const qint64 cycle = 2 * qint64(sweepMilliseconds);
    const qint64 into = ((elapsedMs % cycle) + cycle) % cycle;
    const double share =
        into < sweepMilliseconds ? double(into) / sweepMilliseconds : double(cycle - into) / sweepMilliseconds;
    return bandTravel * DesignTokens::easeInOut().valueForProgress(share);
}

double CaptureIllustration::bandOffset() const
{
    return sweep_ ? bandOffsetAt(sweep_->currentTime()) : 0;
}

void CaptureIllustration::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    DesignEnvironment &environment = DesignEnvironment::of(this);
    environment.repaintOnChange(this);
    connect(&environment, &DesignEnvironment::changed, this, &CaptureIllustration::followMotionSetting,
            Qt::UniqueConnection);
    followMotionSetting();
}

void CaptureIllustration::hideEvent(QHideEvent *event)
{
    // Off screen (the welcome window is kept hidden after it closes): nothing ticks.
    stopSweep();
    QWidget::hideEvent(event);
}

// A band switched on while shown starts sweeping from the top.
void CaptureIllustration::followMotionSetting()
{
    if (!isVisible() || DesignEnvironment::of(this).reduceMotion())
        stopSweep();
    else
        startSweep();
    update();
}

void CaptureIllustration::startSweep()
{
    if (isScanning())
        return;
    auto *sweep = new QVariantAnimation(this);
    // One value per frame; the offset is worked out from the time.
    sweep->setStartValue(0.0);
    sweep->setEndValue(1.0);
    sweep->setDuration(2 * sweepMilliseconds);
    sweep->setLoopCount(-1);
    connect(sweep, &QVariantAnimation::valueChanged, this, &CaptureIllustration::advanceBand);
    sweep_ = sweep;
    paintedOffset_ = 0;
    lastFrameAt_ = 0;
    sweep->start(QAbstractAnimation::DeleteWhenStopped);
    update(bandArea(paintedOffset_));
}

void CaptureIllustration::advanceBand()
{
    const double offset = bandOffset();
    // On the animation's own clock, which runs on across its loops.
    const qint64 now = qint64(sweep_->currentLoop()) * sweep_->duration() + sweep_->currentTime();
    // Less than half a device pixel, or sooner than a frame: the eye cannot tell.
    const double moved = std::abs(offset - paintedOffset_) * devicePixelRatioF();
    if (moved < 0.5 || now - lastFrameAt_ < frameMilliseconds)
        return;
    lastFrameAt_ = now;
    const QRect left = bandArea(paintedOffset_);
    paintedOffset_ = offset;
    update(QRegion(left) + bandArea(paintedOffset_));
}

QTransform CaptureIllustration::tiltTransform() const
{
    const QPointF centre = QRectF(cardFrame()).center();
    QTransform transform;
    transform.translate(centre.x(), centre.y());
    transform.rotate(tilt());
    transform.translate(-centre.x(), -centre.y());
    return transform;
}

QRect CaptureIllustration::bandArea(double offset) const
{
    const QRectF box = selectionBox();
    const QRectF band(box.left() + 1, box.top() + offset, box.width() - 2, bandHeight);
    // A pixel more all round for the antialiased edges.
    return tiltTransform().mapRect(band).toAlignedRect().adjusted(-2, -2, 2, 2);
}

void CaptureIllustration::stopSweep()
{
    if (sweep_) {
        sweep_->stop();
        update(bandArea(paintedOffset_));
    }
}

const QPixmap &CaptureIllustration::still()
{
    const DesignEnvironment &environment = DesignEnvironment::of(this);
    const qreal ratio = devicePixelRatioF();
    const QString key = QStringLiteral("%1x%2@%3 %4 %5 %6 %7")
                            .arg(width())
                            .arg(height())
                            .arg(ratio)
                            .arg(environment.isDark())
                            .arg(tilt())
                            .arg(environment.ink(Ink::primary).rgba())
                            .arg(environment.ink(Ink::secondary).rgba() ^ environment.ink(Ink::teal).rgba());
    if (key == stillKey_)
        return still_;
    box_.reset();
    still_ = QPixmap((QSizeF(size()) * ratio).toSize());
    still_.setDevicePixelRatio(ratio);
    still_.fill(Qt::transparent);
    QPainter painter(&still_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setTransform(tiltTransform());
    paintCard(painter, QRectF(cardFrame()));
    stillKey_ = key;
    ++stillPaints_;
    return still_;
}

void CaptureIllustration::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, still());
    if (!isScanning())
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(tiltTransform());
    paintBand(painter, selectionBox());
}

QRectF CaptureIllustration::selectionBox() const
{
    if (!box_)
        box_ = layoutFor(QRectF(cardFrame())).box;
    return *box_;
}

CaptureIllustration::CardLayout CaptureIllustration::layoutFor(const QRectF &card)
{
    CardLayout layout;
    const double width = card.width() - 2 * contentPadding;
    layout.sampleFont =
        DesignTokens::fitted(sampleFont(), sampleText.split(QLatin1Char('\n')), width - 2 * boxPadding, 15);
    layout.sampleLines = ClampedLabel::wrap(sampleText, layout.sampleFont, width - 2 * boxPadding, 0);
    const QFontMetricsF sample(layout.sampleFont);
    const double textHeight =
        layout.sampleLines.size() * sample.height() + (layout.sampleLines.size() - 1) * sampleLineSpacing;
    const double headerHeight = std::max(dotSide, QFontMetricsF(captionFont()).height());
    const double boxHeight = boxPadding + textHeight + boxSpacing + capsuleHeight + boxPadding;
    const double resultHeight = std::max(resultSymbolSide, QFontMetricsF(resultFont()).height());
    // The column sits in the middle of the sheet, at least the padding in.
    const double column = headerHeight + contentSpacing + boxHeight + contentSpacing + resultHeight;
    const double top = card.top() + std::max(contentPadding, (card.height() - column) / 2);
    const double left = card.left() + contentPadding;
    layout.header = QRectF(left, top, width, headerHeight);
    layout.box = QRectF(left, layout.header.bottom() + contentSpacing, width, boxHeight);
    layout.result = QRectF(left, layout.box.bottom() + contentSpacing, width, resultHeight);
    return layout;
}

void CaptureIllustration::paintCard(QPainter &painter, const QRectF &card)
{
    const DesignEnvironment &environment = DesignEnvironment::of(this);
    const QColor primary = environment.ink(Ink::primary);
    SoftShadow::paintRoundedRect(painter, card, sheetRadius, DesignTokens::withOpacity(Qt::black, shadowOpacity),
                                 shadowBlur, QPointF(0, shadowDrop));
    QPainterPath sheet;
    sheet.addRoundedRect(card, sheetRadius, sheetRadius);
    painter.fillPath(sheet, sheetColour(environment.isDark()));

    const CardLayout layout = layoutFor(card);
    // Header: three dots, and the caption at the trailing end.
    painter.setPen(Qt::NoPen);
    painter.setBrush(DesignTokens::withOpacity(primary, 0.1));
    for (int dot = 0; dot < 3; ++dot)
        painter.drawEllipse(QRectF(layout.header.left() + dot * (dotSide + dotSpacing),
                                   layout.header.center().y() - dotSide / 2, dotSide, dotSide));
    painter.setFont(captionFont());
    painter.setPen(DesignTokens::withOpacity(primary, 0.3));
    painter.drawText(layout.header, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("A LITTLE DEMO"));

    paintSelectionBox(painter, layout);

    // The result row.
    const QRectF &row = layout.result;
    SymbolLibrary::paint(
        painter, QStringLiteral("checkmark.circle.fill"),
        QRectF(row.left(), row.center().y() - resultSymbolSide / 2, resultSymbolSide, resultSymbolSide),
        environment.ink(Ink::teal));
    painter.setFont(resultFont());
    painter.setPen(environment.ink(Ink::secondary));
    painter.drawText(row.adjusted(resultSymbolSide + resultSpacing, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Text, ready for its next chapter."));
}

void CaptureIllustration::paintSelectionBox(QPainter &painter, const CardLayout &layout)
{
    const QColor primary = DesignEnvironment::of(this).ink(Ink::primary);
    const QRectF &box = layout.box;
    const QFontMetricsF metrics(layout.sampleFont);
    painter.setFont(layout.sampleFont);
    painter.setPen(primary);
    double baseline = box.top() + boxPadding + metrics.ascent();
    for (const QString &line : layout.sampleLines) {
        painter.drawText(QPointF(box.left() + boxPadding, baseline), line);
        baseline += metrics.height() + sampleLineSpacing;
    }
    const double capsulesTop = box.bottom() - boxPadding - capsuleHeight;
    painter.setPen(Qt::NoPen);
    painter.setBrush(DesignTokens::withOpacity(primary, 0.1));
    painter.drawRoundedRect(QRectF(box.left() + boxPadding, capsulesTop, 68, capsuleHeight), 2, 2);
    painter.setBrush(DesignTokens::withOpacity(primary, 0.06));
    painter.drawRoundedRect(QRectF(box.left() + boxPadding + 68 + 6, capsulesTop, 30, capsuleHeight), 2, 2);

    // The dashed selection frame, stroked inside the box's edge.
    QPen dashes(DesignTokens::withOpacity(TrovStyle::mint(), 0.7), frameWidth, Qt::CustomDashLine, Qt::FlatCap,
                Qt::MiterJoin);
    // A pen's dashes are in units of its width.
    dashes.setDashPattern({5 / frameWidth, 3 / frameWidth});
    dashes.setMiterLimit(10);
    painter.setPen(dashes);
    painter.setBrush(Qt::NoBrush);
    const double inset = frameWidth / 2;
    painter.drawRoundedRect(box.adjusted(inset, inset, -inset, -inset), frameRadius - inset, frameRadius - inset);
}

void CaptureIllustration::paintBand(QPainter &painter, const QRectF &box)
{
    // Where the last update asked for it, so it never strays out of the repainted strips.
    const QRectF band(box.left() + 1, box.top() + paintedOffset_, box.width() - 2, bandHeight);
    QLinearGradient fade(band.topLeft(), band.bottomLeft());
    fade.setColorAt(0, DesignTokens::withOpacity(TrovStyle::mint(), 0));
    fade.setColorAt(1, DesignTokens::withOpacity(TrovStyle::mint(), 0.15));
    painter.fillRect(band, fade);
    painter.fillRect(QRectF(band.left(), band.bottom() - 1, band.width(), 1), TrovStyle::mint());
}
