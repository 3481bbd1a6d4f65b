#pragma once

#include "models/ClipboardHistorySearch.h"

#include <QCoroTask>
#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <stop_token>

class AppModel;
class ClampedLabel;
class ClipboardHistoryStore;
class HistoryEmptyState;
class HistoryList;
class HistorySearchField;
class PlainButton;
class QScrollArea;
class QStackedWidget;

// The clipboard-history window's content: the saved texts, pinned ones first,
// to search, copy again, pin, delete, or clear all after a confirmation. It
// follows the store and the model's phase (copying is disabled while a
// capture runs) and records nothing itself. Made once; its search text lasts
// as long as the process. While hidden it does no work: it catches up with
// the store when it is shown again. Once shown, it folds the saved texts for
// search in the background (a stop ends that when it is hidden or the store
// is cleared), and its list keeps the rows' heights: the only work and the
// only cache it keeps beside the rows shown.
class HistoryView : public QWidget {
    Q_OBJECT
public:
    static const QString clearTitle;
    static const QString clearMessage;

    HistoryView(AppModel &model, ClipboardHistoryStore &history, QWidget *parent = nullptr);
    ~HistoryView() override;

    // "Nothing saved yet", "1 item on this Mac", "12 items on this Mac".
    static QString countText(qsizetype count);

    QString search() const;
    // Catches up with the store while hidden, as showing it would: its next
    // showing then finds its rows made and measured (the idle warm-up).
    void catchUp();
    // The clear-all confirmation while it is open.
    QMessageBox *clearAlert() const { return alert_; }
    HistoryList *list() const { return list_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *makeHeader();
    QWidget *makeFooter();
    void follow();
    void present();
    void followPhase();
    // The width the list is shown at with `rows` rows.
    int listWidth(qsizetype rows) const;
    void fitList();
    void updateTabOrder();
    void styleScrollBar();
    void confirmClearAll();
    // Folds the saved texts for search in the background, once the list is
    // shown: the first keystroke then only compares (and folds the few
    // copied since). What a stopped fold made is let go.
    void foldAhead();
    void stopFolding();
    QCoro::Task<void> foldInBackground(QHash<QUuid, QString> texts, std::stop_token token);

    AppModel &model_;
    ClipboardHistoryStore &history_;
    ClipboardHistorySearch search_;
    ClampedLabel *count_ = nullptr;
    PlainButton *clearAll_ = nullptr;
    HistorySearchField *searchField_;
    QStackedWidget *content_;
    QScrollArea *scroll_;
    HistoryList *list_;
    HistoryEmptyState *empty_;
    QPointer<QMessageBox> alert_;
    bool foldingAhead_ = false;
    std::stop_source foldStop_;
};
