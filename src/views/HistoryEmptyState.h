#pragma once

#include <QWidget>

class ClampedLabel;

// What the history shows instead of its list: a dashed card with a teal
// symbol, a title and, for an empty store, a hint. Either "nothing saved yet"
// (a clock) or "no matches" for a search (a magnifying glass, no hint). The
// symbol's name is in the `symbol` property.
class HistoryEmptyState : public QWidget {
    Q_OBJECT
public:
    static const QString nothingSavedTitle;
    static const QString nothingSavedHint;

    explicit HistoryEmptyState(QWidget *parent = nullptr);

    void showNothingSaved();
    // The search as typed, quoted: No matches for "…".
    void showNoMatches(const QString &search);
    static QString noMatchesTitle(const QString &search);

    QString symbol() const { return symbol_; }
    QString title() const;
    QString hint() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void setSymbol(const QString &symbol);
    void layoutColumn();

    QString symbol_;
    ClampedLabel *title_;
    ClampedLabel *hint_;
};
