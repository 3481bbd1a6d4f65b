#pragma once

#include "models/CapturePhase.h"

#include <QWidget>

class AppModel;
class CaptureButton;
class CapturesCard;
class ClampedLabel;
class ClipboardHistoryStore;
class DropZone;
class EngineChips;
class HistoryButton;
class MLXSetup;
class PlainButton;
class Preferences;
class QCheckBox;
class StatusDot;
class SymbolButton;

// The status item's panel, the app's home: what the app is doing, the
// capture button (which cancels while busy; Return presses it), the engine
// switch, the set-up hint and the shortcut conflict, the last captures (or
// the drop zone), the clipboard history, image import, line breaks, practice,
// help and quit. It reads the model, its settings, the local engine's set-up
// and the history, writes two settings (the engine and "Keep line breaks")
// only when the user changes them, and calls the model for everything else.
//
// The whole panel takes a dropped image file: the first local file of a drop
// is imported once the drop is over. While busy the drag still highlights the
// drop zone but the drop is refused.
//
// A section that does not apply is absent: the panel is 360 wide and as tall
// as its content (sizeHint()); its host follows it.
class MenuBarView : public QWidget {
    Q_OBJECT
public:
    static constexpr int panelWidth = 360;
    static constexpr int padding = 22;
    static constexpr int sectionSpacing = 18;

    MenuBarView(AppModel &model, Preferences &settings, MLXSetup &mlxSetup, ClipboardHistoryStore &history,
                QWidget *parent = nullptr);

    // The header's status line for a phase.
    static QString statusText(const CapturePhase &phase);

    bool isDropTarget() const { return isDropTarget_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    // The user chose Quit; the host takes it down the application's quit road.
    void quitRequested();
    // A dialog of the panel's own is about to come up (the image chooser):
    // the host puts the panel away first.
    void dismissRequested();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    // Return and Enter that no focused control took press capture.
    void keyPressEvent(QKeyEvent *event) override;
    // Tab follows the order on screen.
    bool focusNextPrevChild(bool next) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QWidget *makeHeader();
    QWidget *makeSetupHint();
    QWidget *makeImageRow();
    QWidget *makePracticeRow();
    QWidget *makeFooter();
    void connectModel();

    void followPhase();
    void followResults();
    void followEngine(bool animated);
    void followSetup();
    void followHistory();
    void followLineBreaks();
    void followShortcut();
    void setDropTarget(bool targeted);
    bool reduceMotion() const;

    AppModel &model_;
    Preferences &settings_;
    MLXSetup &mlxSetup_;
    ClipboardHistoryStore &history_;
    bool isDropTarget_ = false;
    // What "Copy last capture" copies: the newest text as last shown.
    QString shownLatestText_;

    StatusDot *statusDot_ = nullptr;
    ClampedLabel *statusText_ = nullptr;
    SymbolButton *settingsButton_ = nullptr;
    CaptureButton *capture_;
    EngineChips *chips_;
    QWidget *setupHint_ = nullptr;
    ClampedLabel *conflictLine_;
    CapturesCard *card_;
    DropZone *dropZone_;
    HistoryButton *historyButton_;
    PlainButton *openImage_ = nullptr;
    QCheckBox *keepLineBreaks_ = nullptr;
    PlainButton *practice_ = nullptr;
};
