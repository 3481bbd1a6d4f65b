#pragma once

#include "models/ClipboardHistoryItem.h"
#include "views/HistoryRowEstimate.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QUuid>
#include <QWidget>

class HistoryRow;
class SectionHeader;

// The content of the history's scroll area: a "PINNED" section and a "SAVED"
// (or, after pinned items, "RECENT") section of rows, 8 apart. The list is as
// tall as all its rows, but only the rows within a screenful of the visible
// part exist as widgets: a store of many thousands of pinned items costs what
// the visible rows cost. Rows are kept by item id while they stay near the
// visible part (and the row holding the keyboard focus, wherever it is): a
// change moves, adds or drops rows, so the scroll position and the focus
// survive it. The headers and rows are the list's children in the order
// shown, which is the order assistive technologies read. A change costs what
// changed and the rows in reach: the heights of the items that kept their
// places at either end of the list are carried over, and only the rest are
// estimated.
class HistoryList : public QWidget {
    Q_OBJECT
public:
    static constexpr int spacing = 8;
    static constexpr int secondHeaderPadding = 6;

    explicit HistoryList(QWidget *parent = nullptr);

    // Shows the items of `shown` in order, under their headers; `now` is the
    // moment the rows' dates are told from.
    void present(const QList<ClipboardHistoryItem> &shown, const QDateTime &now);
    void setCopyEnabled(bool enabled);

    // The items shown, top to bottom, rows made or not.
    const QList<ClipboardHistoryItem> &shownItems() const { return shown_; }
    // The rows that exist, top to bottom.
    QList<HistoryRow *> shownRows() const;
    HistoryRow *row(const QUuid &id) const { return rows_.value(id); }
    qsizetype rowCount() const { return rows_.size(); }
    // The widgets that take the keyboard focus, top to bottom.
    QList<QWidget *> focusChain() const;
    // The headers and rows shown, top to bottom: what assistive technologies read.
    QList<QWidget *> readOrder() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

Q_SIGNALS:
    void copyRequested(const QString &text);
    void pinToggled(const QUuid &id);
    void deleteRequested(const QUuid &id);
    // Rows were made or dropped (scrolling, a change of the store).
    void rowsChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    // One header or row of the list, where it sits at the current width.
    struct Entry {
        int top = 0;
        int height = 0;
        // The index in `shown_`, or one of the two headers.
        qsizetype item = 0;
    };
    static constexpr qsizetype pinnedHeaderEntry = -1;
    static constexpr qsizetype recentHeaderEntry = -2;

    HistoryRow *rowFor(const ClipboardHistoryItem &item);
    void dropRow(HistoryRow *row);
    // Brings `shown_` and the heights to `shown`, changing only the items
    // between those at either end that are as they were: the list shown is
    // the list's own, so the store never copies its items because of it.
    void follow(const QList<ClipboardHistoryItem> &shown);
    HistoryRowEstimate::Height heightOf(const ClipboardHistoryItem &item) const;
    // Places every header and row at `width`.
    void layOut(int width) const;
    qsizetype entryOf(qsizetype item) const;
    // The part of the list to have rows for: what is visible, a screenful either side.
    std::pair<int, int> wantedSpan() const;
    HistoryRow *rowWithFocus() const;
    // Where the item of `id` is in `shown_`, looked for among the items in `first`..`last` first; -1 if not shown.
    qsizetype indexOfShown(const QUuid &id, qsizetype first, qsizetype last) const;
    void materialise();
    // Makes and places the rows in reach; true when some row's height was
    // not what its estimate said (the rows are then placed again).
    bool place();
    // Tells assistive technologies how the children read changed from `before`.
    void tellReaders(const QList<QPointer<QWidget>> &before) const;
    void rememberExact(const QUuid &id, int height);

    // Never shares its items with the list it was made from.
    QList<ClipboardHistoryItem> shown_;
    QDateTime now_;
    mutable HistoryRowEstimate estimate_;
    // The height of each item of `shown_` at `heightsWidth_`: estimated, or
    // exact once its row was made.
    mutable QList<HistoryRowEstimate::Height> heights_;
    mutable int heightsWidth_ = -1;
    // The exact heights of rows made at `heightsWidth_`, by item id: an item's text never changes.
    mutable QHash<QUuid, int> exact_;
    mutable QList<Entry> entries_;
    mutable int laidOutWidth_ = -1;
    mutable bool entriesStale_ = true;
    mutable int totalHeight_ = 0;
    QHash<QUuid, HistoryRow *> rows_;
    // Rows made before the last change that have not taken their item's new date and pin yet.
    QSet<QUuid> unpresented_;
    mutable qsizetype focusHint_ = -1;
    qsizetype pinnedShown_ = 0;
    SectionHeader *pinnedHeader_;
    SectionHeader *recentHeader_;
    bool copyEnabled_ = true;
    bool placing_ = false;
    // The headers and rows in the order assistive technologies last read them.
    QList<QPointer<QWidget>> readOrder_;
};
