#include "views/HistoryList.h"

#include "support/design/SectionHeader.h"
#include "support/design/SymbolButton.h"
#include "views/HistoryRow.h"

#include <QSet>

HistoryList::HistoryList(QWidget *parent)
    : QWidget(parent), pinnedHeader_(new SectionHeader(QStringLiteral("PINNED"), this)),
      recentHeader_(new SectionHeader(QStringLiteral("SAVED"), this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    pinnedHeader_->setObjectName(QStringLiteral("pinnedHeader"));
    recentHeader_->setObjectName(QStringLiteral("recentHeader"));
    pinnedHeader_->hide();
    recentHeader_->hide();
}

HistoryRow *HistoryList::rowFor(const ClipboardHistoryItem &item)
{
    if (HistoryRow *existing = rows_.value(item.id))
        return existing;
    auto *row = new HistoryRow(item, this);
    row->setCopyEnabled(copyEnabled_);
    connect(row, &HistoryRow::copyRequested, this, &HistoryList::copyRequested);
    connect(row, &HistoryRow::pinToggled, this, &HistoryList::pinToggled);
    connect(row, &HistoryRow::deleteRequested, this, &HistoryList::deleteRequested);
    rows_.insert(item.id, row);
    return row;
}

void HistoryList::present(const QList<ClipboardHistoryItem> &shown, const QList<ClipboardHistoryItem> &stored,
                          const QDateTime &now)
{
    QSet<QUuid> kept;
    kept.reserve(stored.size());
    for (const ClipboardHistoryItem &item : stored)
        kept.insert(item.id);
    for (auto row = rows_.begin(); row != rows_.end();) {
        if (kept.contains(row.key())) {
            ++row;
            continue;
        }
        // Gone from the store: a delete, a clear, or history switched off. Its
        // own delete button may be sending the click that brought this: the
        // row goes once the click is over, nameless so no one takes it for a row.
        HistoryRow *gone = row.value();
        gone->hide();
        gone->disconnect(this);
        gone->setObjectName(QString());
        gone->deleteLater();
        row = rows_.erase(row);
    }

    const QList<HistoryRow *> before = order_;
    order_.clear();
    pinnedShown_ = 0;
    for (const ClipboardHistoryItem &item : shown) {
        HistoryRow *row = rowFor(item);
        row->present(item, now);
        order_.append(row);
        pinnedShown_ += item.isPinned;
    }
    const QSet<HistoryRow *> visible(order_.cbegin(), order_.cend());
    for (HistoryRow *row : before) {
        if (!visible.contains(row) && rows_.contains(row->itemId()))
            row->hide();
    }

    const bool anyPinned = pinnedShown_ > 0;
    const bool anyRecent = order_.size() > pinnedShown_;
    pinnedHeader_->setVisible(anyPinned);
    recentHeader_->setVisible(anyRecent);
    recentHeader_->setTitle(anyPinned ? QStringLiteral("RECENT") : QStringLiteral("SAVED"));
    recentHeader_->setTopPadding(anyPinned ? secondHeaderPadding : 0);
    arrange();
    for (HistoryRow *row : order_)
        row->show();
    updateGeometry();
}

void HistoryList::setCopyEnabled(bool enabled)
{
    copyEnabled_ = enabled;
    for (HistoryRow *row : std::as_const(rows_))
        row->setCopyEnabled(enabled);
}

QList<std::pair<QWidget *, int>> HistoryList::entries(int width) const
{
    QList<std::pair<QWidget *, int>> shown;
    shown.reserve(order_.size() + 2);
    for (qsizetype index = 0; index < order_.size(); ++index) {
        if (index == 0 && pinnedShown_ > 0)
            shown.append({pinnedHeader_, pinnedHeader_->sizeHint().height()});
        if (index == pinnedShown_)
            shown.append({recentHeader_, recentHeader_->sizeHint().height()});
        shown.append({order_.at(index), order_.at(index)->heightForWidth(width)});
    }
    return shown;
}

int HistoryList::heightForWidth(int width) const
{
    int height = 0;
    const QList<std::pair<QWidget *, int>> shown = entries(width);
    for (const auto &[widget, entryHeight] : shown)
        height += entryHeight;
    return height + spacing * int(std::max<qsizetype>(0, shown.size() - 1));
}

QSize HistoryList::sizeHint() const
{
    return QSize(width(), heightForWidth(width()));
}

void HistoryList::arrange()
{
    int y = 0;
    for (const auto &[widget, height] : entries(width())) {
        widget->setGeometry(0, y, width(), height);
        y += height + spacing;
    }
}

QList<QWidget *> HistoryList::focusChain() const
{
    QList<QWidget *> chain;
    for (HistoryRow *row : order_)
        chain << row->copyButton() << row->pinButton() << row->deleteButton();
    return chain;
}

void HistoryList::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    arrange();
}
