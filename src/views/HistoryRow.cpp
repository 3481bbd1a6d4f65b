#include "views/HistoryRow.h"

#include "models/RelativeDate.h"
#include "support/design/AnimatedButton.h"
#include "support/design/ClampedLabel.h"
#include "support/design/DesignTokens.h"
#include "support/design/Surface.h"
#include "support/design/SymbolButton.h"
#include "support/design/SymbolLibrary.h"

#include <QPainter>

#include <algorithm>

namespace {

using Ink = SystemColours::Ink;

constexpr double cardRadius = 11;
constexpr double cardOpacity = 0.035;
constexpr int textSpacing = 4;
constexpr int symbolSide = 13;
constexpr int symbolTop = 2;
constexpr int sideButton = 16;
constexpr int sideSymbol = 12;
constexpr int sideSpacing = 6;
// The text's longest stretch read out with the button, beyond its label.
constexpr qsizetype describedLength = 300;

// The plain-style button that covers the whole text area, empty space
// included: its symbol is painted, its text and meta line are labels inside
// it that let the pointer through.
class CopyAgainButton : public AnimatedButton {
public:
    explicit CopyAgainButton(QWidget *parent) : AnimatedButton(DesignTokens::quietHoverMs, 0, parent)
    {
        setObjectName(QStringLiteral("copyAgain"));
        setProperty("symbol", QStringLiteral("text.alignleft"));
        setToolTip(QStringLiteral("Copy again"));
        setAccessibleName(QStringLiteral("Copy again"));
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (!isEnabled())
            painter.setOpacity(ClampedLabel::disabledOpacity);
        else if (isDown())
            painter.setOpacity(0.6);
        SymbolLibrary::paint(painter, QStringLiteral("text.alignleft"), QRectF(0, symbolTop, symbolSide, symbolSide),
                             environment().ink(Ink::teal), SymbolLibrary::Weight::medium);
        if (showsFocusRing()) {
            painter.setOpacity(1);
            painter.setPen(QPen(environment().ink(Ink::teal), 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(QRectF(rect()).adjusted(-4, -4, 4, 4).intersected(QRectF(rect())), 6, 6);
        }
    }
};

ClampedLabel *passiveLabel(const QFont &font, Ink ink, int lines, QWidget *parent)
{
    auto *label = new ClampedLabel(font, ink, parent);
    label->setMaximumLines(lines);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

SymbolButton *sideButtonFor(const QString &symbol, const QString &name, QWidget *parent)
{
    auto *button = new SymbolButton(symbol, sideButton, sideSymbol, parent);
    button->setObjectName(name);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

HistoryRow::HistoryRow(const ClipboardHistoryItem &item, QWidget *parent)
    : QWidget(parent), item_(item), wordCount_(item.wordCount()), copy_(new CopyAgainButton(this)),
      text_(passiveLabel(textFont(), Ink::primary, maximumTextLines, copy_)),
      meta_(passiveLabel(metaFont(), Ink::secondary, 1, copy_)),
      pin_(sideButtonFor(QStringLiteral("pin"), QStringLiteral("pinButton"), this)),
      delete_(sideButtonFor(QStringLiteral("trash"), QStringLiteral("deleteButton"), this))
{
    setObjectName(QStringLiteral("historyRow"));
    setProperty("itemId", item.id);
    setAttribute(Qt::WA_TranslucentBackground);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    text_->setObjectName(QStringLiteral("itemText"));
    meta_->setObjectName(QStringLiteral("itemMeta"));
    text_->setText(item.text);
    copy_->setAccessibleDescription(item.text.left(describedLength));
    delete_->setToolTip(QStringLiteral("Delete"));
    delete_->setAccessibleName(QStringLiteral("Delete item"));
    showPin(item.isPinned);

    connect(copy_, &QAbstractButton::clicked, this, [this] { Q_EMIT copyRequested(item_.text); });
    connect(pin_, &QAbstractButton::clicked, this, [this] { Q_EMIT pinToggled(item_.id); });
    connect(delete_, &QAbstractButton::clicked, this, [this] { Q_EMIT deleteRequested(item_.id); });
}

QWidget *HistoryRow::copyButton() const
{
    return copy_;
}

QString HistoryRow::metaText(qsizetype wordCount, const QDateTime &date, const QDateTime &now)
{
    return QStringLiteral("%1 %2 · %3")
        .arg(wordCount)
        .arg(wordCount == 1 ? QStringLiteral("word") : QStringLiteral("words"), RelativeDate::text(date, now));
}

void HistoryRow::present(const ClipboardHistoryItem &item, const QDateTime &now)
{
    if (item.isPinned != item_.isPinned)
        showPin(item.isPinned);
    item_.date = item.date;
    item_.isPinned = item.isPinned;
    meta_->setText(metaText(wordCount_, item_.date, now));
}

void HistoryRow::showPin(bool pinned)
{
    pin_->setSymbol(pinned ? QStringLiteral("pin.fill") : QStringLiteral("pin"));
    pin_->setInk(pinned ? Ink::teal : Ink::secondary);
    pin_->setToolTip(pinned ? QStringLiteral("Unpin") : QStringLiteral("Pin"));
    pin_->setAccessibleName(pinned ? QStringLiteral("Unpin item") : QStringLiteral("Pin item"));
}

void HistoryRow::setCopyEnabled(bool enabled)
{
    copy_->setEnabled(enabled);
}

int HistoryRow::copyWidth(int width)
{
    return std::max(0, width - 2 * padding - spacing - sideButton);
}

int HistoryRow::textWidth(int width)
{
    return std::max(1, copyWidth(width) - symbolSide - spacing);
}

int HistoryRow::copyHeight(int textHeight, int metaHeight)
{
    return std::max(textHeight + textSpacing + metaHeight, symbolTop + symbolSide);
}

QFont HistoryRow::textFont()
{
    return DesignTokens::font(DesignTokens::FontRole::rowText);
}

QFont HistoryRow::metaFont()
{
    return DesignTokens::font(DesignTokens::FontRole::rowDetail);
}

int HistoryRow::heightFor(int textHeight, int metaHeight)
{
    return 2 * padding + std::max(copyHeight(textHeight, metaHeight), 2 * sideButton + sideSpacing);
}

int HistoryRow::heightForWidth(int width) const
{
    const int labelWidth = textWidth(width);
    return heightFor(text_->heightForWidth(labelWidth), meta_->heightForWidth(labelWidth));
}

int HistoryRow::shortestHeight()
{
    return 2 * padding + 2 * sideButton + sideSpacing;
}

QSize HistoryRow::sizeHint() const
{
    const int width = std::max(this->width(), 320);
    return QSize(width, heightForWidth(width));
}

void HistoryRow::layoutContent()
{
    const int width = this->width();
    const int textLeft = symbolSide + spacing;
    const int labelWidth = textWidth(width);
    const int textHeight = text_->heightForWidth(labelWidth);
    copy_->setGeometry(padding, padding, copyWidth(width), copyHeight(textHeight, meta_->heightForWidth(labelWidth)));
    text_->setGeometry(textLeft, 0, labelWidth, textHeight);
    meta_->setGeometry(textLeft, textHeight + textSpacing, labelWidth, meta_->heightForWidth(labelWidth));
    const int sideLeft = width - padding - sideButton;
    pin_->move(sideLeft, padding);
    delete_->move(sideLeft, padding + sideButton + sideSpacing);
}

void HistoryRow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutContent();
}

void HistoryRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Surface::paintCard(painter, QRectF(rect()), cardRadius, DesignEnvironment::of(this).ink(Ink::primary), cardOpacity,
                       0);
}
