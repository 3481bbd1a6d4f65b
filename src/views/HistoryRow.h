#pragma once

#include "models/ClipboardHistoryItem.h"

#include <QDateTime>
#include <QWidget>

class AnimatedButton;
class ClampedLabel;
class SymbolButton;

// One saved text in the history list: a wide copy-again button (a symbol, the
// text in at most three lines, and "N words · <when>") beside a pin and a
// delete button, on a faint rounded card. A row belongs to one item for its
// life (its id in the `itemId` property) and is brought up to date, never
// rebuilt, when the item moves, changes its pin or is copied again.
class HistoryRow : public QWidget {
    Q_OBJECT
public:
    static constexpr int padding = 12;
    static constexpr int spacing = 10;
    static constexpr int maximumTextLines = 3;

    explicit HistoryRow(const ClipboardHistoryItem &item, QWidget *parent = nullptr);

    QUuid itemId() const { return item_.id; }
    const ClipboardHistoryItem &item() const { return item_; }
    // Takes the item's current pin and date; `now` is the moment the list is drawn.
    void present(const ClipboardHistoryItem &item, const QDateTime &now);
    void setCopyEnabled(bool enabled);

    // "1 word · now", "12 words · 3 minutes ago".
    static QString metaText(qsizetype wordCount, const QDateTime &date, const QDateTime &now);

    QWidget *copyButton() const;
    SymbolButton *pinButton() const { return pin_; }
    SymbolButton *deleteButton() const { return delete_; }

    // The faces of the text and of the meta line.
    static QFont textFont();
    static QFont metaFont();
    // The text's width in a row `width` wide, and the height of a row whose
    // labels are this tall: what a row's height is made of, for estimates.
    static int textWidth(int width);
    static int heightFor(int textHeight, int metaHeight);
    // No row is shorter: its two side buttons and its padding.
    static int shortestHeight();

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

Q_SIGNALS:
    void copyRequested(const QString &text);
    void pinToggled(const QUuid &id);
    void deleteRequested(const QUuid &id);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void showPin(bool pinned);
    static int copyWidth(int width);
    static int copyHeight(int textHeight, int metaHeight);
    void layoutContent();

    ClipboardHistoryItem item_;
    // Counted once: an item's text never changes.
    const qsizetype wordCount_;
    AnimatedButton *copy_;
    ClampedLabel *text_;
    ClampedLabel *meta_;
    SymbolButton *pin_;
    SymbolButton *delete_;
};
