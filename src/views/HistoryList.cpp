#include "views/HistoryList.h"

#include "support/design/SectionHeader.h"
#include "support/design/SymbolButton.h"
#include "views/HistoryRow.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QScrollBar>

#include <algorithm>

namespace {

// The list as assistive technologies see it: the headers and rows shown, in
// their order, and nothing else (not a row on its way out, nor a hidden header).
class HistoryListAccessible : public QAccessibleWidget {
public:
    explicit HistoryListAccessible(HistoryList *list) : QAccessibleWidget(list) {}
    int childCount() const override { return int(list().readOrder().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> read = list().readOrder();
        return index >= 0 && index < read.size() ? QAccessible::queryAccessibleInterface(read.at(index)) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child || !child->object() || !child->object()->isWidgetType())
            return -1;
        return int(list().readOrder().indexOf(static_cast<QWidget *>(child->object())));
    }

private:
    const HistoryList &list() const { return *static_cast<const HistoryList *>(widget()); }
};

QAccessibleInterface *listFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("HistoryList") && object && object->isWidgetType())
        return new HistoryListAccessible(static_cast<HistoryList *>(object));
    return nullptr;
}

} // namespace

HistoryList::HistoryList(QWidget *parent)
    : QWidget(parent), pinnedHeader_(new SectionHeader(QStringLiteral("PINNED"), this)),
      recentHeader_(new SectionHeader(QStringLiteral("SAVED"), this))
{
    static const bool readable = [] {
        QAccessible::installFactory(listFactory);
        return true;
    }();
    Q_UNUSED(readable);
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
    row->present(item, now_);
    connect(row, &HistoryRow::copyRequested, this, &HistoryList::copyRequested);
    connect(row, &HistoryRow::pinToggled, this, &HistoryList::pinToggled);
    connect(row, &HistoryRow::deleteRequested, this, &HistoryList::deleteRequested);
    rows_.insert(item.id, row);
    return row;
}

void HistoryList::dropRow(HistoryRow *row)
{
    // Its own delete button may be sending the click that brought this: the
    // row goes once the click is over, nameless so no one takes it for a row.
    rows_.remove(row->itemId());
    unpresented_.remove(row->itemId());
    row->hide();
    row->disconnect(this);
    row->setObjectName(QString());
    row->deleteLater();
}

void HistoryList::present(const QList<ClipboardHistoryItem> &shown, const QDateTime &now)
{
    now_ = now;
    follow(shown);
    // Pinned items come first.
    pinnedShown_ = std::partition_point(shown_.cbegin(), shown_.cend(),
                                        [](const ClipboardHistoryItem &item) { return item.isPinned; }) -
                   shown_.cbegin();
    unpresented_ = QSet<QUuid>(rows_.keyBegin(), rows_.keyEnd());

    const bool anyPinned = pinnedShown_ > 0;
    const bool anyRecent = shown_.size() > pinnedShown_;
    pinnedHeader_->setVisible(anyPinned);
    recentHeader_->setVisible(anyRecent);
    recentHeader_->setTitle(anyPinned ? QStringLiteral("RECENT") : QStringLiteral("SAVED"));
    recentHeader_->setTopPadding(anyPinned ? secondHeaderPadding : 0);
    entriesStale_ = true;
    materialise();
    updateGeometry();
}

void HistoryList::follow(const QList<ClipboardHistoryItem> &shown)
{
    // A poll adds an item at the top of its section and drops the oldest: the
    // items before it are as they were, and so are those after a deletion.
    // (An item's text never changes: its id stands for it.)
    const auto same = [](const ClipboardHistoryItem &one, const ClipboardHistoryItem &other) {
        return one.id == other.id && one.isPinned == other.isPinned && one.date == other.date;
    };
    const qsizetype common = std::min(shown_.size(), shown.size());
    qsizetype head = 0;
    while (head < common && same(shown_.at(head), shown.at(head)))
        ++head;
    qsizetype tail = 0;
    while (tail < common - head && same(shown_.at(shown_.size() - 1 - tail), shown.at(shown.size() - 1 - tail)))
        ++tail;
    const qsizetype before = shown_.size() - head - tail;
    const qsizetype after = shown.size() - head - tail;

    // The heights of the items in between that moved or took a new date or pin.
    const bool measured = heightsWidth_ >= 0;
    QHash<QUuid, HistoryRowEstimate::Height> moved;
    for (qsizetype index = head; measured && index < head + before; ++index)
        moved.insert(shown_.at(index).id, heights_.at(index));
    if (after > before) {
        shown_.insert(head, after - before, shown.at(head));
        if (measured)
            heights_.insert(head, after - before, HistoryRowEstimate::Height());
    } else if (after < before) {
        shown_.remove(head, before - after);
        if (measured)
            heights_.remove(head, before - after);
    }
    for (qsizetype index = head; index < head + after; ++index) {
        const ClipboardHistoryItem &item = shown.at(index);
        shown_[index] = item;
        if (measured) {
            const auto known = moved.constFind(item.id);
            heights_[index] = known != moved.cend() ? *known : heightOf(item);
        }
    }
}

HistoryRowEstimate::Height HistoryList::heightOf(const ClipboardHistoryItem &item) const
{
    const auto exact = exact_.constFind(item.id);
    return exact != exact_.cend() ? HistoryRowEstimate::measured(*exact)
                                  : estimate_.heightFor(item.text, heightsWidth_);
}

void HistoryList::setCopyEnabled(bool enabled)
{
    copyEnabled_ = enabled;
    for (HistoryRow *row : std::as_const(rows_))
        row->setCopyEnabled(enabled);
}

void HistoryList::layOut(int width) const
{
    if (width == laidOutWidth_ && !entriesStale_)
        return;
    // The faces changed: every height is to be told again.
    const bool newFaces = estimate_.follow();
    if (newFaces || width != heightsWidth_) {
        // The exact heights were measured at another width; the rows made measure themselves again when placed.
        exact_.clear();
        const bool keep = !newFaces && heightsWidth_ >= 0;
        heightsWidth_ = width;
        heights_.resize(shown_.size());
        // Most estimates hold at a width a few pixels off.
        for (qsizetype index = 0; index < shown_.size(); ++index) {
            if (!keep || !HistoryRowEstimate::holds(heights_.at(index), width))
                heights_[index] = estimate_.heightFor(shown_.at(index).text, width);
        }
    }
    entries_.resize(shown_.size() + (pinnedShown_ > 0 ? 1 : 0) + (shown_.size() > pinnedShown_ ? 1 : 0));
    qsizetype entry = 0;
    int y = 0;
    const auto add = [&](qsizetype item, int height) {
        if (entry > 0)
            y += spacing;
        entries_[entry++] = {y, height, item};
        y += height;
    };
    for (qsizetype index = 0; index < shown_.size(); ++index) {
        if (index == 0 && pinnedShown_ > 0)
            add(pinnedHeaderEntry, pinnedHeader_->sizeHint().height());
        if (index == pinnedShown_)
            add(recentHeaderEntry, recentHeader_->sizeHint().height());
        add(index, heights_.at(index).height);
    }
    totalHeight_ = y;
    laidOutWidth_ = width;
    entriesStale_ = false;
}

qsizetype HistoryList::entryOf(qsizetype item) const
{
    return item + (pinnedShown_ > 0 ? 1 : 0) + (item >= pinnedShown_ ? 1 : 0);
}

std::pair<int, int> HistoryList::wantedSpan() const
{
    // In a scroll area the list is a child of its viewport, moved up by the offset.
    const QWidget *viewport = parentWidget();
    const int top = viewport ? -y() : 0;
    const int visible = viewport ? viewport->height() : height();
    const int margin = std::max(visible, 1);
    return {top - margin, top + visible + margin};
}

HistoryRow *HistoryList::rowWithFocus() const
{
    for (QWidget *widget = QApplication::focusWidget(); widget; widget = widget->parentWidget()) {
        if (widget->parentWidget() == this)
            return qobject_cast<HistoryRow *>(widget);
    }
    return nullptr;
}

qsizetype HistoryList::indexOfShown(const QUuid &id, qsizetype first, qsizetype last) const
{
    // Where it was last found, then the rows in reach, then everything.
    if (focusHint_ >= 0 && focusHint_ < shown_.size() && shown_.at(focusHint_).id == id)
        return focusHint_;
    const auto in = [&](qsizetype from, qsizetype to) {
        for (qsizetype index = std::max<qsizetype>(from, 0); index < std::min(to, shown_.size()); ++index) {
            if (shown_.at(index).id == id)
                return index;
        }
        return qsizetype(-1);
    };
    qsizetype found = in(first, last);
    if (found < 0)
        found = in(0, shown_.size());
    focusHint_ = found;
    return found;
}

void HistoryList::materialise()
{
    if (placing_)
        return;
    placing_ = true;
    // Until every row about to be placed has measured itself, a correction
    // above the visible part moves the view by as much, so what is seen stays.
    for (int round = 0; round < 4 && place(); ++round) {
    }
    placing_ = false;
}

void HistoryList::rememberExact(const QUuid &id, int height)
{
    // Rows made long ago and dropped since measure themselves again should they come back.
    constexpr qsizetype remembered = 4096;
    if (exact_.size() >= remembered)
        exact_.removeIf([this](const QHash<QUuid, int>::iterator entry) { return !rows_.contains(entry.key()); });
    exact_.insert(id, height);
}

bool HistoryList::place()
{
    layOut(width());
    const auto [wantedTop, wantedBottom] = wantedSpan();
    const auto first = std::partition_point(entries_.cbegin(), entries_.cend(), [top = wantedTop](const Entry &entry) {
        return entry.top + entry.height <= top;
    });
    const auto last = std::partition_point(first, entries_.cend(),
                                           [bottom = wantedBottom](const Entry &entry) { return entry.top < bottom; });
    const qsizetype firstWanted = first - entries_.cbegin();
    const qsizetype lastWanted = last - entries_.cbegin();

    // Children in the order shown: headers, the rows in reach and the focused row wherever it is.
    QList<qsizetype> order;
    for (qsizetype entry = firstWanted; entry < lastWanted; ++entry)
        order.append(entry);
    if (pinnedShown_ > 0)
        order.append(0);
    if (shown_.size() > pinnedShown_)
        order.append(entryOf(pinnedShown_) - 1);
    // Rows out of reach go, but never the one holding the focus while its item is shown.
    HistoryRow *focused = rowWithFocus();
    if (focused) {
        // An entry's index is its item's plus the headers above it.
        const qsizetype item = indexOfShown(focused->itemId(), firstWanted - 2, lastWanted);
        if (item >= 0)
            order.append(entryOf(item));
    }
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());

    QSet<QUuid> kept;
    for (const qsizetype entryIndex : std::as_const(order)) {
        if (const qsizetype item = entries_.at(entryIndex).item; item >= 0)
            kept.insert(shown_.at(item).id);
    }
    bool changed = false;
    for (HistoryRow *row : rows_.values()) {
        if (!kept.contains(row->itemId())) {
            dropRow(row);
            changed = true;
        }
    }

    QList<QWidget *> placed;
    const int visibleTop = parentWidget() ? -y() : 0;
    int shiftAbove = 0;
    bool remeasured = false;
    for (const qsizetype entryIndex : std::as_const(order)) {
        const Entry &entry = entries_.at(entryIndex);
        QWidget *widget = nullptr;
        if (entry.item == pinnedHeaderEntry) {
            widget = pinnedHeader_;
        } else if (entry.item == recentHeaderEntry) {
            widget = recentHeader_;
        } else {
            const ClipboardHistoryItem &item = shown_.at(entry.item);
            HistoryRow *row = rows_.value(item.id);
            if (!row) {
                row = rowFor(item);
                changed = true;
            } else if (unpresented_.remove(item.id)) {
                row->present(item, now_);
            }
            if (!exact_.contains(item.id)) {
                const int exact = row->heightForWidth(width());
                rememberExact(item.id, exact);
                heights_[entry.item] = HistoryRowEstimate::measured(exact);
                if (exact != entry.height) {
                    if (entry.top < visibleTop)
                        shiftAbove += exact - entry.height;
                    remeasured = true;
                }
            }
            widget = row;
        }
        widget->setGeometry(0, entry.top, width(), entry.height);
        widget->raise();
        widget->show();
        placed.append(widget);
    }
    if (placed != readOrder()) {
        const QList<QPointer<QWidget>> before = readOrder_;
        readOrder_ = {placed.cbegin(), placed.cend()};
        tellReaders(before);
    }
    if (changed)
        Q_EMIT rowsChanged();
    if (!remeasured)
        return false;
    entriesStale_ = true;
    layOut(width());
    resize(width(), totalHeight_);
    if (shiftAbove != 0) {
        if (auto *scroll =
                qobject_cast<QAbstractScrollArea *>(parentWidget() ? parentWidget()->parentWidget() : nullptr))
            scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->value() + shiftAbove);
    }
    return true;
}

QList<QWidget *> HistoryList::readOrder() const
{
    QList<QWidget *> read;
    for (const QPointer<QWidget> &widget : readOrder_) {
        if (widget)
            read.append(widget);
    }
    return read;
}

void HistoryList::tellReaders(const QList<QPointer<QWidget>> &before) const
{
    if (!QAccessible::isActive())
        return;
    // Qt 6.4's bridge sends a reorder event as children-changed signals that
    // AT-SPI clients reject (their data is not a variant), so a reader would
    // keep the old order: say instead which children left and which came, over
    // the stretch between what stayed in place at either end.
    const QList<QPointer<QWidget>> &after = readOrder_;
    qsizetype head = 0;
    while (head < before.size() && head < after.size() && before.at(head) == after.at(head))
        ++head;
    qsizetype tail = 0;
    while (tail < before.size() - head && tail < after.size() - head &&
           before.at(before.size() - 1 - tail) == after.at(after.size() - 1 - tail))
        ++tail;
    for (qsizetype index = head; index < before.size() - tail; ++index) {
        if (QWidget *left = before.at(index)) {
            QAccessibleEvent removed(left, QAccessible::ObjectDestroyed);
            QAccessible::updateAccessibility(&removed);
        }
    }
    for (qsizetype index = head; index < after.size() - tail; ++index) {
        QAccessibleEvent added(after.at(index).data(), QAccessible::ObjectCreated);
        QAccessible::updateAccessibility(&added);
    }
}

QList<HistoryRow *> HistoryList::shownRows() const
{
    QList<HistoryRow *> shown;
    for (QObject *child : children()) {
        auto *row = qobject_cast<HistoryRow *>(child);
        if (row && rows_.value(row->itemId()) == row)
            shown.append(row);
    }
    return shown;
}

int HistoryList::heightForWidth(int width) const
{
    layOut(width);
    return totalHeight_;
}

QSize HistoryList::sizeHint() const
{
    return QSize(width(), heightForWidth(width()));
}

QList<QWidget *> HistoryList::focusChain() const
{
    QList<QWidget *> chain;
    for (HistoryRow *row : shownRows())
        chain << row->copyButton() << row->pinButton() << row->deleteButton();
    return chain;
}

void HistoryList::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    materialise();
}

void HistoryList::moveEvent(QMoveEvent *event)
{
    // The scroll area scrolls by moving the list.
    QWidget::moveEvent(event);
    materialise();
}
