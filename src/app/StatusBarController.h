#pragma once

#include "app/PopoverDismissal.h"
#include "app/StatusPresentation.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

class AppModel;
class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;
class X11PointerButtons;

// The status item in the system tray (XEmbed or StatusNotifierItem, whichever
// the desktop offers): an icon and tool tip that follow the capture phase, a
// popover with the menu-bar panel on a left click, and a small menu on a
// right click, both placed below the icon (above it when the tray is at the
// bottom). The popover is a frameless window that stays on top rather than a
// pop-up that grabs the pointer, so a press in another window that starts a
// drag leaves it up to take the drop (see PopoverDismissal). Without a tray
// the program runs on and says so once.
class StatusBarController final : public QObject {
    Q_OBJECT
public:
    static const QString noTrayNotice;

    explicit StatusBarController(AppModel &model, QObject *parent = nullptr);
    ~StatusBarController() override;

    // A left click: closes the popover when it is up, else remembers the
    // application to return to, refreshes the permission and opens it.
    void toggle();
    // Closes the popover; harmless when it is not up.
    void close();
    void capture();
    void settings();
    // A right click: puts the popover away and opens the menu by the icon.
    void openMenu();

    QSystemTrayIcon &item() const { return *item_; }
    QWidget *popover() const { return popover_; }
    QMenu *menu() const { return menu_; }
    QAction *captureAction() const { return captureAction_; }

    // Where the popover's top-left corner goes: below the icon, centred on
    // it, or above it when the icon is in the lower half of its screen; at the
    // pointer when the tray gives no icon geometry; always inside `available`.
    static QPoint popoverPosition(const QRect &icon, QSize popover, const QRect &screen, const QRect &available,
                                  QPoint pointer);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

Q_SIGNALS:
    // Quit was chosen in the menu or the panel.
    void quitRequested();

private:
    // A left click on the icon, as the tray reports it.
    void activated();
    void follow(const CapturePhase &phase);
    void buildMenu();
    void place();
    QPoint besideIcon(QSize size) const;
    bool pointerOnIconOrPopover() const;
    void followPanelDrag(const QEvent &event);

    AppModel &model_;
    QSystemTrayIcon *item_;
    QWidget *popover_;
    QMenu *menu_ = nullptr;
    QAction *captureAction_ = nullptr;
    QWidget *panel_ = nullptr;
    X11PointerButtons *buttons_;
    PopoverDismissal dismissal_;
    bool hinted_ = false;
};
