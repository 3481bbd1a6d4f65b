#include "support/design/ClampedLabel.h"

#include "support/design/DesignAccessibility.h"
#include "support/design/DesignEnvironment.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QRegularExpression>
#include <QTextLayout>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QString ellipsis = QStringLiteral("…");

QString withoutTrailingSpace(QString line)
{
    while (!line.isEmpty() && (line.back().isSpace() || line.back() == QChar::LineSeparator))
        line.chop(1);
    return line;
}

// The last line kept, marked as cut short and fitted to the width.
QString endingInEllipsis(const QString &line, const QFontMetricsF &metrics, double width)
{
    const QString kept = withoutTrailingSpace(line);
    if (metrics.horizontalAdvance(kept + ellipsis) <= width)
        return kept + ellipsis;
    const QString elided = metrics.elidedText(kept + ellipsis, Qt::ElideRight, width);
    return elided.endsWith(ellipsis) ? elided : elided + ellipsis;
}

// How much of a text could fill `lines` lines of `width`: no glyph of a
// face is narrower than a fifth of its size, short of zero-width marks.
qsizetype prefixLengthFor(const QString &text, int lines, double width, const QFont &font)
{
    const double narrowest = std::max(1.0, 0.2 * QFontInfo(font).pixelSize());
    const double perLine = std::ceil(width / narrowest) + 1;
    qsizetype length = qsizetype(std::min(double(text.size()), (lines + 1) * perLine));
    // Never between the two halves of a surrogate pair.
    if (length > 0 && length < text.size() && text.at(length - 1).isHighSurrogate())
        ++length;
    return length;
}

bool onlySpaceIn(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar character) { return character.isSpace(); });
}

// A paragraph no wider than this many characters gives the preferred width.
constexpr qsizetype measuredParagraphLength = 2000;

// The width a line of `text` takes when laid out as the label lays it out.
// The font's advance alone can fall short of it: the layout also counts the
// ink of a last glyph that overhangs its advance, and a line given only the
// advance then wraps.
double laidOutWidth(const QString &text, const QFont &font)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    double width = 0;
    if (line.isValid()) {
        line.setLineWidth(std::numeric_limits<double>::max() / 4);
        width = line.naturalTextWidth();
    }
    layout.endLayout();
    return std::max(width, QFontMetricsF(font).horizontalAdvance(text));
}

} // namespace

ClampedLabel::ClampedLabel(DesignTokens::FontRole role, SystemColours::Ink ink, QWidget *parent)
    : ClampedLabel(DesignTokens::font(role), ink, parent)
{
}

ClampedLabel::ClampedLabel(const QFont &font, SystemColours::Ink ink, QWidget *parent)
    : QWidget(parent), font_(font), ink_(ink)
{
    DesignAccessibility::markAsText(*this);
    setAttribute(Qt::WA_TranslucentBackground);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void ClampedLabel::setText(const QString &text, int crossFadeMs)
{
    if (text == text_)
        return;
    if (crossFadeMs > 0 && !text_.isEmpty()) {
        if (fade_)
            fade_->stop();
        fadingText_ = text_;
        auto *fade = new QVariantAnimation(this);
        fade->setStartValue(0.0);
        fade->setEndValue(1.0);
        fade->setDuration(crossFadeMs);
        fade->setEasingCurve(DesignTokens::easeOut());
        connect(fade, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
            fadeShare_ = value.toDouble();
            update();
        });
        connect(fade, &QVariantAnimation::finished, this, &ClampedLabel::endFade);
        fade_ = fade;
        fadeShare_ = 0;
        fade->start(QAbstractAnimation::DeleteWhenStopped);
    } else if (fade_) {
        fade_->stop();
        endFade();
    }
    text_ = text;
    setAccessibleName(text);
    textChanged();
}

void ClampedLabel::textChanged()
{
    cachedWidth_ = -1;
    cachedLines_.clear();
    updateGeometry();
    update();
}

void ClampedLabel::endFade()
{
    fadingText_.clear();
    fadeShare_ = 1;
    update();
}

void ClampedLabel::setInk(SystemColours::Ink ink)
{
    ink_ = ink;
    update();
}

void ClampedLabel::setMaximumLines(int lines)
{
    maximumLines_ = std::max(0, lines);
    textChanged();
}

void ClampedLabel::setExtraLineSpacing(double spacing)
{
    extraSpacing_ = spacing;
    updateGeometry();
    update();
}

void ClampedLabel::setAlignment(Qt::Alignment alignment)
{
    alignment_ = alignment;
    update();
}

void ClampedLabel::growWithLines()
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void ClampedLabel::setBalancedLines(bool balanced)
{
    balanced_ = balanced;
    textChanged();
}

int ClampedLabel::linesWithin(int height) const
{
    int lines = 1;
    while (std::ceil(heightOf(lines + 1)) <= height)
        ++lines;
    return lines;
}

bool ClampedLabel::isAnimating() const
{
    return fade_ && fade_->state() == QAbstractAnimation::Running;
}

QStringList ClampedLabel::linesFor(const QString &text, double width) const
{
    const QStringList lines = wrap(text, font_, width, maximumLines_);
    if (!balanced_ || lines.size() < 2)
        return lines;
    // The narrowest width that still breaks only between words into as many
    // lines; a text cut short never does, and keeps its lines.
    static const QRegularExpression space(QStringLiteral("\\s+"));
    const QStringList words = text.split(space, Qt::SkipEmptyParts);
    const auto keepsTheBreaks = [&](const QStringList &narrower) {
        return narrower.size() == lines.size() && narrower.join(u' ').split(space, Qt::SkipEmptyParts) == words;
    };
    double fits = width;
    double tooNarrow = 0;
    while (fits - tooNarrow > 1) {
        const double middle = (fits + tooNarrow) / 2;
        if (keepsTheBreaks(wrap(text, font_, middle, maximumLines_)))
            fits = middle;
        else
            tooNarrow = middle;
    }
    return wrap(text, font_, fits, maximumLines_);
}

QStringList ClampedLabel::wrap(const QString &text, const QFont &font, double width, int maximumLines)
{
    if (text.isEmpty() || width <= 0)
        return text.isEmpty() ? QStringList() : QStringList{text};
    const qsizetype laidOut = maximumLines > 0 ? prefixLengthFor(text, maximumLines, width, font) : text.size();
    const bool cut = laidOut < text.size() && !onlySpaceIn(QStringView(text).mid(laidOut));
    QString prepared = text.left(laidOut);
    prepared.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(prepared, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    QList<int> starts;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        starts.append(line.textStart());
        lines.append(withoutTrailingSpace(prepared.mid(line.textStart(), line.textLength())));
    }
    layout.endLayout();
    if (maximumLines > 0 && lines.size() > maximumLines) {
        lines = lines.mid(0, maximumLines);
        const QString last = prepared.mid(starts[maximumLines - 1], starts[maximumLines] - starts[maximumLines - 1]);
        lines.last() = endingInEllipsis(last, QFontMetricsF(font), width);
    } else if (cut && !lines.isEmpty()) {
        // The part laid out fitted (zero-width characters): the rest is still cut off.
        lines.last() = endingInEllipsis(lines.last(), QFontMetricsF(font), width);
    }
    return lines;
}

const QStringList &ClampedLabel::linesAt(double width) const
{
    if (cachedWidth_ != width) {
        cachedLines_ = linesFor(text_, width);
        cachedWidth_ = width;
    }
    return cachedLines_;
}

double ClampedLabel::heightOf(int lines) const
{
    const QFontMetricsF metrics(font_);
    const int shown = std::max(1, lines);
    return shown * metrics.lineSpacing() + (shown - 1) * extraSpacing_;
}

int ClampedLabel::heightForWidth(int width) const
{
    return int(std::ceil(heightOf(int(linesAt(width).size()))));
}

QSize ClampedLabel::sizeHint() const
{
    double widest = 0;
    int lines = 0;
    for (const QStringView paragraph : QStringView(text_).tokenize(u'\n')) {
        if (maximumLines_ > 0 && lines == maximumLines_)
            break;
        widest = std::max(widest, laidOutWidth(paragraph.left(measuredParagraphLength).toString(), font_));
        ++lines;
    }
    return QSize(int(std::ceil(widest)), int(std::ceil(heightOf(std::max(1, lines)))));
}

QSize ClampedLabel::minimumSizeHint() const
{
    return QSize(0, int(std::ceil(heightOf(1))));
}

void ClampedLabel::paintLines(QPainter &painter, const QStringList &lines) const
{
    const QFontMetricsF metrics(font_);
    double baseline = metrics.ascent();
    const bool centred = alignment_ & Qt::AlignHCenter;
    for (const QString &line : lines) {
        const double left = centred ? (width() - metrics.horizontalAdvance(line)) / 2 : 0;
        painter.drawText(QPointF(left, baseline), line);
        baseline += metrics.lineSpacing() + extraSpacing_;
    }
}

void ClampedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font_);
    painter.setPen(DesignEnvironment::of(this).ink(ink_));
    const double opacity = isEnabled() ? 1 : disabledOpacity;
    if (!fadingText_.isEmpty() && fadeShare_ < 1) {
        painter.setOpacity(opacity * (1 - fadeShare_));
        paintLines(painter, linesFor(fadingText_, width()));
        painter.setOpacity(opacity * fadeShare_);
    } else {
        painter.setOpacity(opacity);
    }
    paintLines(painter, linesAt(width()));
}

void ClampedLabel::hideEvent(QHideEvent *event)
{
    // Nothing fades out of sight: a hidden label shows its text at once when it comes back.
    if (fade_)
        fade_->stop();
    endFade();
    QWidget::hideEvent(event);
}
