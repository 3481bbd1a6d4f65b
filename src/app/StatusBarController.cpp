#include "app/StatusBarController.h"

#include "platform/X11Connection.h"
#include "platform/X11PointerButtons.h"
#include "platform/X11WindowHints.h"
#include "stores/AppModel.h"
#include "support/design/SymbolLibrary.h"
#include "views/MenuBarView.h"

#include <QAction>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

const QString StatusBarController::noTrayNotice =
    QStringLiteral("Ravelond: this desktop has no system tray, so there is no status icon. The shortcut still "
                   "captures text, and starting Ravelond again opens its welcome window.\n");

namespace {

// A light line on a dark halo reads on light and dark panels alike.
QIcon drawnStatusIcon(const QString &symbol)
{
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        const QRectF box(side * 0.06, side * 0.06, side * 0.88, side * 0.88);
        SymbolLibrary::paint(painter, symbol, box, QColor(0, 0, 0, 150), SymbolLibrary::Weight::medium);
        SymbolLibrary::paint(painter, symbol, box.adjusted(side * 0.03, side * 0.03, -side * 0.03, -side * 0.03),
                             Qt::white, SymbolLibrary::Weight::regular);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// Each symbol drawn once: a new icon at every change of phase would leave its
// scaled copies in Qt's pixmap cache, a few kilobytes per capture.
QIcon statusIcon(const QString &symbol)
{
    static QHash<QString, QIcon> drawn;
    auto icon = drawn.constFind(symbol);
    if (icon == drawn.cend())
        icon = drawn.insert(symbol, drawnStatusIcon(symbol));
    return *icon;
}

} // namespace

StatusBarController::StatusBarController(AppModel &model, QObject *parent)
    : QObject(parent), model_(model), item_(new QSystemTrayIcon(this)),
      // A tool window: unlike a pop-up it grabs neither pointer nor keyboard,
      // so it stays reachable for a drag and is part of the accessibility tree.
      popover_(new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)),
      buttons_(new X11PointerButtons(this)), dismissal_([this] { close(); })
{
    connect(item_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // A second click soon after the first is a double click to the tray;
        // to the user it is the click that closes the popover again.
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            activated();
        else if (reason == QSystemTrayIcon::Context)
            openMenu();
    });
    connect(buttons_, &X11PointerButtons::pressed, this, [this] {
        if (popover_->isVisible()) {
            if (!pointerOnIconOrPopover())
                dismissal_.pressedElsewhere();
            return;
        }
        dismissal_.pressedWhileClosed();
        buttons_->watch(false);
    });
    connect(buttons_, &X11PointerButtons::released, this, [this] {
        if (popover_->isVisible() && !X11PointerButtons::anyHeld())
            dismissal_.buttonsReleased();
    });

    // The icon first, out to the X server at once: the panel docks it while the popover is built.
    buildMenu();
    // The icon and tool tip, now and at every change of phase.
    connect(&model_, &AppModel::phaseChanged, this, &StatusBarController::follow);
    follow(model_.phase());

    if (!QSystemTrayIcon::isSystemTrayAvailable())
        std::fputs(qPrintable(noTrayNotice), stderr);
    item_->show();
    X11Connection::flush();

    popover_->setObjectName(QStringLiteral("statusPopover"));
    popover_->setWindowTitle(QStringLiteral("Ravelond"));
    popover_->installEventFilter(this);
    auto *panel = new MenuBarView(model_, model_.settings(), model_.mlxSetup(), model_.history(), popover_);
    panel_ = panel;
    panel->installEventFilter(this);
    connect(panel, &MenuBarView::quitRequested, this, [this] {
        close();
        Q_EMIT quitRequested();
    });
    connect(panel, &MenuBarView::dismissRequested, this, &StatusBarController::close);
    auto *layout = new QVBoxLayout(popover_);
    layout->setContentsMargins(0, 0, 0, 0);
    // The popover is as large as the panel, which grows and shrinks with its sections.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(panel);
}

StatusBarController::~StatusBarController()
{
    delete popover_;
    delete menu_;
}

void StatusBarController::buildMenu()
{
    menu_ = new QMenu();
    captureAction_ = menu_->addAction(QStringLiteral("Capture Text"), this, &StatusBarController::capture);
    menu_->addSeparator();
    QAction *settingsAction = menu_->addAction(QStringLiteral("Settings…"), this, &StatusBarController::settings);
    settingsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    QAction *quit = menu_->addAction(QStringLiteral("Quit Ravelond"), this, &StatusBarController::quitRequested);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // Decided when the menu opens and kept while it is open.
    connect(menu_, &QMenu::aboutToShow, this, [this] { captureAction_->setEnabled(!model_.phase().isBusy()); });
}

void StatusBarController::follow(const CapturePhase &phase)
{
    const StatusPresentation presentation = StatusPresentation::of(phase);
    item_->setIcon(statusIcon(presentation.symbol));
    item_->setToolTip(presentation.toolTip());
}

void StatusBarController::toggle()
{
    if (popover_->isVisible()) {
        close();
        return;
    }
    model_.rememberDestination();
    model_.refreshPermission();
    place();
    popover_->show();
    popover_->raise();
    popover_->activateWindow();
}

void StatusBarController::activated()
{
    // Without the icon's geometry the click on it was taken for one elsewhere
    // and has closed the popover already: it is not to open it again.
    const bool echo = dismissal_.takeClickEcho();
    if (!popover_->isVisible())
        buttons_->watch(false);
    if (echo && !item_->geometry().isValid())
        return;
    toggle();
}

void StatusBarController::close()
{
    if (popover_->isVisible())
        popover_->close();
}

void StatusBarController::capture()
{
    model_.startCapture();
}

void StatusBarController::settings()
{
    close();
    if (model_.onSettings)
        model_.onSettings();
}

void StatusBarController::openMenu()
{
    close();
    menu_->popup(besideIcon(menu_->sizeHint()));
}

void StatusBarController::place()
{
    popover_->adjustSize();
    popover_->move(besideIcon(popover_->size()));
}

QPoint StatusBarController::besideIcon(QSize size) const
{
    const QRect icon = item_->geometry();
    const QPoint pointer = QCursor::pos();
    QScreen *screen = QGuiApplication::screenAt(icon.isValid() ? icon.center() : pointer);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return pointer;
    return popoverPosition(icon, size, screen->geometry(), screen->availableGeometry(), pointer);
}

bool StatusBarController::pointerOnIconOrPopover() const
{
    const QPoint pointer = QCursor::pos();
    return item_->geometry().contains(pointer) || popover_->frameGeometry().contains(pointer);
}

QPoint StatusBarController::popoverPosition(const QRect &icon, QSize popover, const QRect &screen,
                                            const QRect &available, QPoint pointer)
{
    QPoint position;
    if (!icon.isValid() || icon.isEmpty()) {
        position = pointer;
    } else {
        const int x = icon.center().x() - popover.width() / 2;
        const bool trayAtBottom = icon.center().y() > screen.center().y();
        position = QPoint(x, trayAtBottom ? icon.top() - popover.height() : icon.bottom() + 1);
    }
    const int maxX = std::max(available.left(), available.right() + 1 - popover.width());
    const int maxY = std::max(available.top(), available.bottom() + 1 - popover.height());
    return QPoint(std::clamp(position.x(), available.left(), maxX), std::clamp(position.y(), available.top(), maxY));
}

void StatusBarController::followPanelDrag(const QEvent &event)
{
    switch (event.type()) {
    case QEvent::DragEnter:
        dismissal_.dragEntered();
        break;
    case QEvent::DragLeave:
        dismissal_.dragLeft(X11PointerButtons::anyHeld());
        break;
    case QEvent::Drop:
        dismissal_.dropped();
        break;
    default:
        break;
    }
}

bool StatusBarController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == panel_) {
        followPanelDrag(*event);
        return QObject::eventFilter(watched, event);
    }
    if (watched != popover_)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Show:
        // Like the tray it hangs from: on every desktop, in no taskbar or pager.
        if (!hinted_) {
            hinted_ = true;
            X11WindowHints::floatOnEveryDesktop(popover_->windowHandle());
        }
        dismissal_.reset();
        buttons_->watch(true);
        break;
    case QEvent::Hide:
        // Closed by a click: the next press tells a later activation from its echo.
        buttons_->watch(dismissal_.awaitsClickEcho());
        break;
    case QEvent::WindowDeactivate:
        if (popover_->isVisible()) {
            const bool held = X11PointerButtons::anyHeld();
            // A press on the icon is the icon's own to answer (it toggles the popover).
            if (!(held && item_->geometry().contains(QCursor::pos())))
                dismissal_.focusLost(held);
        }
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            close();
            return true;
        }
        break;
    default:
        break;
    }
    // A section came or went while it is up: it stays attached to the icon.
    if (event->type() == QEvent::Resize && popover_->isVisible())
        place();
    return QObject::eventFilter(watched, event);
}
