#include "views/HistoryButton.h"

#include "support/design/ClampedLabel.h"
#include "support/design/DesignTokens.h"
#include "support/design/SymbolLibrary.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {

using Ink = SystemColours::Ink;

constexpr double symbolSide = 12;
constexpr double symbolGap = 5;
constexpr double arrowSide = 10;
constexpr double trailingGap = 6;

QFont titleFont()
{
    return DesignTokens::font(DesignTokens::FontRole::quietButton);
}

QFont countFont()
{
    return DesignTokens::font(DesignTokens::FontRole::caption);
}

} // namespace

const QString HistoryButton::title = QStringLiteral("Clipboard history");

HistoryButton::HistoryButton(QWidget *parent)
    : AnimatedButton(DesignTokens::quietHoverMs, DesignTokens::quietPressMs, parent),
      countLabel_(new ClampedLabel(countFont(), Ink::secondary, this))
{
    countLabel_->setObjectName(QStringLiteral("historyCount"));
    countLabel_->setMaximumLines(1);
    countLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    countLabel_->hide();
    setText(title);
    setProperty("symbol", QStringLiteral("clock.arrow.circlepath"));
    setToolTip(QStringLiteral("Browse, search and re-copy saved text"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void HistoryButton::setCount(qsizetype count)
{
    if (count == count_)
        return;
    count_ = count;
    countLabel_->setText(count > 0 ? QString::number(count) : QString());
    countLabel_->setVisible(count > 0);
    setAccessibleDescription(countLabel_->text());
    placeCount();
}

void HistoryButton::resizeEvent(QResizeEvent *event)
{
    AnimatedButton::resizeEvent(event);
    placeCount();
}

void HistoryButton::placeCount()
{
    const QSize size = countLabel_->sizeHint();
    const double right = width() - QuietButtonStyle::horizontalPadding - arrowSide - trailingGap;
    countLabel_->setGeometry(int(std::floor(right - size.width())), (height() - size.height()) / 2, size.width(),
                             size.height());
}

QSize HistoryButton::sizeHint() const
{
    const QFontMetricsF metrics(titleFont());
    const double width = symbolSide + symbolGap + metrics.horizontalAdvance(title) + trailingGap + arrowSide;
    return QSize(int(std::ceil(width + 2 * QuietButtonStyle::horizontalPadding)),
                 int(std::ceil(metrics.height() + 2 * QuietButtonStyle::verticalPadding)));
}

void HistoryButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const DesignEnvironment &environment = this->environment();
    const QRectF frame(rect());
    QuietButtonStyle::applyLook(painter, frame, look());
    QuietButtonStyle::paintBackground(painter, frame, look(), environment.ink(Ink::primary));

    const QRectF content =
        frame.adjusted(QuietButtonStyle::horizontalPadding, 0, -QuietButtonStyle::horizontalPadding, 0);
    const double middle = content.center().y();
    const QColor primary = environment.ink(Ink::primary);
    SymbolLibrary::paint(painter, QStringLiteral("clock.arrow.circlepath"),
                         QRectF(content.left(), middle - symbolSide / 2, symbolSide, symbolSide), primary,
                         SymbolLibrary::Weight::semibold);
    painter.setFont(titleFont());
    painter.setPen(primary);
    const double titleLeft = content.left() + symbolSide + symbolGap;
    painter.drawText(QRectF(titleLeft, content.top(), content.right() - titleLeft, content.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, title);

    const QRectF arrow(content.right() - arrowSide, middle - arrowSide / 2, arrowSide, arrowSide);
    SymbolLibrary::paint(painter, QStringLiteral("arrow.up.right"), arrow, environment.ink(Ink::tertiary),
                         SymbolLibrary::Weight::semibold);
    paintFocusRing(painter, DesignTokens::quietButtonRadius);
}
