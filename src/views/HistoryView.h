#pragma once

#include <QWidget>

class AppModel;
class ClipboardHistoryStore;
class QListWidget;

// The clipboard-history window's content: the recorded texts, newest first
// after the pinned ones; activating one copies it again.
class HistoryView : public QWidget {
    Q_OBJECT
public:
    HistoryView(AppModel &model, ClipboardHistoryStore &history, QWidget *parent = nullptr);

private:
    void follow();

    AppModel &model_;
    ClipboardHistoryStore &history_;
    QListWidget *list_;
};
