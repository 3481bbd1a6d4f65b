#pragma once

#include <QWidget>

class AppModel;
class ClipboardHistoryStore;
class MLXSetup;
class Preferences;
class QLabel;
class QPushButton;

// The status item's panel: the capture button, the shortcut (or that it is
// taken) and Quit. It sizes itself; the popover takes its size.
class MenuBarView : public QWidget {
    Q_OBJECT
public:
    MenuBarView(AppModel &model, Preferences &settings, MLXSetup &mlxSetup, ClipboardHistoryStore &history,
                QWidget *parent = nullptr);

Q_SIGNALS:
    // The user chose Quit; the host takes it down the application's quit road.
    void quitRequested();

private:
    void follow();

    AppModel &model_;
    Preferences &settings_;
    QPushButton *capture_;
    QLabel *shortcut_;
};
