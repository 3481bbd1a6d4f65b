#pragma once

#include "models/ClipboardHistoryItem.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QUuid>
#include <QWidget>

class HistoryRow;
class SectionHeader;

// The content of the history's scroll area: a "PINNED" section and a "SAVED"
// (or, after pinned items, "RECENT") section of rows, 8 apart. Rows are kept
// by item id for as long as the item is in the store: a change moves, shows
// or hides the existing rows, so the scroll position and the keyboard focus
// survive it, and a new item costs one new row.
class HistoryList : public QWidget {
    Q_OBJECT
public:
    static constexpr int spacing = 8;
    static constexpr int secondHeaderPadding = 6;

    explicit HistoryList(QWidget *parent = nullptr);

    // Shows the rows of `shown` in order, under their headers; forgets the rows
    // of items no longer in `stored` (the whole store) and hides the others.
    void present(const QList<ClipboardHistoryItem> &shown, const QList<ClipboardHistoryItem> &stored,
                 const QDateTime &now);
    void setCopyEnabled(bool enabled);

    // The rows shown, top to bottom.
    QList<HistoryRow *> shownRows() const { return order_; }
    HistoryRow *row(const QUuid &id) const { return rows_.value(id); }
    qsizetype rowCount() const { return rows_.size(); }
    // The widgets that take the keyboard focus, top to bottom.
    QList<QWidget *> focusChain() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

Q_SIGNALS:
    void copyRequested(const QString &text);
    void pinToggled(const QUuid &id);
    void deleteRequested(const QUuid &id);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    HistoryRow *rowFor(const ClipboardHistoryItem &item);
    // The headers and rows shown, top to bottom, with their heights at `width`.
    QList<std::pair<QWidget *, int>> entries(int width) const;
    void arrange();

    QHash<QUuid, HistoryRow *> rows_;
    QList<HistoryRow *> order_;
    qsizetype pinnedShown_ = 0;
    SectionHeader *pinnedHeader_;
    SectionHeader *recentHeader_;
    bool copyEnabled_ = true;
};
