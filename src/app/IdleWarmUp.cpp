#include "app/IdleWarmUp.h"

#include "app/StatusBarController.h"
#include "app/WindowController.h"
#include "platform/LargeBlockRelease.h"
#include "stores/AppModel.h"
#include "stores/Preferences.h"
#include "support/design/DesignTokens.h"
#include "views/HistoryView.h"
#include "views/PreferencesView.h"
#include "views/ResultView.h"
#include "views/WelcomeView.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QImage>
#include <QLayout>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>

namespace {

// What of `widget` its window would show, in the widget's coordinates: a
// list far taller than its scroll area is painted only where it can be seen.
QRect shownArea(const QWidget &widget)
{
    QRect area = widget.rect();
    QPoint offset;
    for (const QWidget *inner = &widget; !inner->isWindow() && inner->parentWidget(); inner = inner->parentWidget()) {
        offset += inner->pos();
        area &= inner->parentWidget()->rect().translated(-offset);
    }
    return area;
}

// Paints `widget` alone (its children are parts of their own) where it
// lies in `picture`, a picture of its whole window.
void paintOffScreen(QWidget &widget, QImage &picture)
{
    const QRect area = shownArea(widget);
    if (!area.isEmpty())
        widget.render(&picture, widget.mapTo(widget.window(), area.topLeft()), QRegion(area),
                      QWidget::DrawWindowBackground);
}

// The window's widgets that are drawn with it (a hidden tab page is not), in
// painting order: each is painted in a step of its own.
void collectParts(QWidget &widget, QList<QPointer<QWidget>> &parts)
{
    parts.append(&widget);
    for (QWidget *child : widget.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!child->isHidden() && !child->isWindow())
            collectParts(*child, parts);
    }
}

// A window made for the warm-up alone and thrown away after it: the content
// laid out in a window of the size the real one has.
QWidget *throwawayWindow(QWidget *content, QSize size)
{
    auto *window = new QWidget(nullptr, Qt::Window);
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    content->setParent(window);
    layout->addWidget(content);
    window->resize(size);
    return window;
}

// Makes a throwaway window with `make`, paints it a part at a time, and
// deletes it: what it leaves behind is what every such window shares (fonts,
// glyphs, shadows, symbols). Nothing when `make` returns null.
IdleWarmUp::Step throwaway(std::function<QWidget *()> make)
{
    struct State {
        std::unique_ptr<QWidget> window;
        IdleWarmUp::Step paint;
    };
    auto state = std::make_shared<State>();
    return [state, make = std::move(make)]() -> bool {
        if (!state->paint) {
            state->window.reset(make());
            // The painting belongs to the state: it holds it by address, not by share.
            state->paint = IdleWarmUp::render([held = state.get()] { return held->window.get(); });
            return bool(state->window);
        }
        if (state->paint())
            return true;
        state->window.reset();
        return false;
    };
}

// The faces the windows and the overlay draw with (every role the design
// hands out), besides the application's own: each one's first use loads its
// font files, finds its fallbacks and rasterises its glyphs.
QList<QFont> faces()
{
    using Role = DesignTokens::FontRole;
    QList<QFont> faces{QApplication::font()};
    for (int role = 0; role <= int(Role::sizeBadge); ++role)
        if (const QFont face = DesignTokens::font(Role(role)); !faces.contains(face))
            faces.append(face);
    return faces;
}

// Measures and draws the printable ASCII letters and the typography the
// texts use in `face`.
IdleWarmUp::Step warmFace(QFont face)
{
    return [face = std::move(face)] {
        static const QString letters = [] {
            QString text;
            for (char16_t letter = u' '; letter <= u'~'; ++letter)
                text += QChar(letter);
            return text + QStringLiteral("…·—–’“”×");
        }();
        QFontMetricsF(face).horizontalAdvance(letters);
        QImage line(8, 8, QImage::Format_RGB32);
        QPainter painter(&line);
        painter.setFont(face);
        painter.drawText(QPointF(0, 6), letters);
        return false;
    };
}

// The window, while it has never been on screen: one the user has opened
// was made and painted by its opening.
QWidget *unopened(QWidget *window)
{
    return window && !window->testAttribute(Qt::WA_WState_Created) ? window : nullptr;
}

// The settings window made hidden, painted, and its languages listed.
QList<IdleWarmUp::Step> settingsSteps(QPointer<WindowController> controller, QPointer<AppModel> owner)
{
    return {
        [controller, owner] {
            if (controller && owner)
                controller->preparePreferences(*owner);
            return false;
        },
        IdleWarmUp::render([controller] { return controller ? unopened(controller->preferencesWindow()) : nullptr; }),
        [controller] {
            QWidget *window = controller ? controller->preferencesWindow() : nullptr;
            if (auto *view = window ? window->findChild<PreferencesView *>() : nullptr)
                view->prepareLanguages();
            return false;
        },
    };
}

// The clipboard-history window, only while the history is on (it cannot be
// opened otherwise), made hidden with its rows and painted.
QList<IdleWarmUp::Step> historySteps(QPointer<WindowController> controller, QPointer<AppModel> owner)
{
    return {
        [controller, owner] {
            if (controller && owner && owner->settings().clipboardHistory())
                controller->prepareHistory(*owner);
            return false;
        },
        IdleWarmUp::render([controller] { return controller ? unopened(controller->historyWindow()) : nullptr; },
                           [](QWidget &window) {
                               if (auto *view = window.findChild<HistoryView *>())
                                   view->catchUp();
                           }),
    };
}

} // namespace

IdleWarmUp::IdleWarmUp(QList<Step> steps, std::chrono::milliseconds delay, Busy busy, QObject *parent)
    : QObject(parent), steps_(std::move(steps)), busy_(std::move(busy))
{
    sinceActivity_.start();
    if (!steps_.isEmpty())
        QCoreApplication::instance()->installEventFilter(this);
    QTimer::singleShot(delay, this, &IdleWarmUp::runNext);
}

IdleWarmUp::~IdleWarmUp()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

bool IdleWarmUp::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
        if (watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow())
            sinceActivity_.restart();
        break;
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
        sinceActivity_.restart();
        break;
    default:
        break;
    }
    return false;
}

bool IdleWarmUp::isIdle() const
{
    return !(busy_ && busy_()) && sinceActivity_.elapsed() >= quietAfterActivity.count();
}

void IdleWarmUp::runNext()
{
    if (steps_.isEmpty()) {
        QCoreApplication::instance()->removeEventFilter(this);
        Q_EMIT finished();
        return;
    }
    if (!isIdle()) {
        QTimer::singleShot(recheck, this, &IdleWarmUp::runNext);
        return;
    }
    if (!steps_.first()())
        steps_.removeFirst();
    // The next step waits for whatever arrived meanwhile.
    QTimer::singleShot(0, this, &IdleWarmUp::runNext);
}

IdleWarmUp::Step IdleWarmUp::render(std::function<QWidget *()> window, std::function<void(QWidget &)> fill)
{
    struct State {
        enum Stage { layOut, fill, paint } stage = layOut;
        QList<QPointer<QWidget>> parts;
        // Painted into again and again: what it shows is never looked at.
        QImage picture;
    };
    auto state = std::make_shared<State>();
    return [window = std::move(window), fill = std::move(fill), state]() -> bool {
        QWidget *shown = window();
        if (!shown)
            return false;
        switch (state->stage) {
        case State::layOut: {
            shown->ensurePolished();
            if (QLayout *layout = shown->layout())
                layout->activate();
            // Painting a corner gives every child its size (the resizes a
            // hidden window keeps back), which a part painted alone needs.
            QImage corner(1, 1, QImage::Format_ARGB32_Premultiplied);
            shown->render(&corner, QPoint(), QRegion(0, 0, 1, 1), QWidget::RenderFlags());
            state->stage = fill ? State::fill : State::paint;
            return true;
        }
        case State::fill:
            fill(*shown);
            state->stage = State::paint;
            return true;
        case State::paint:
            break;
        }
        if (state->picture.isNull()) {
            // In the format of the window's own backing store, whose glyphs are cached apart.
            const qreal ratio = shown->devicePixelRatioF();
            state->picture =
                QImage((QSizeF(shown->size()) * ratio).toSize(), shown->testAttribute(Qt::WA_TranslucentBackground)
                                                                     ? QImage::Format_ARGB32_Premultiplied
                                                                     : QImage::Format_RGB32);
            state->picture.setDevicePixelRatio(ratio);
            collectParts(*shown, state->parts);
        }
        while (!state->parts.isEmpty()) {
            const QPointer<QWidget> part = state->parts.takeFirst();
            if (part) {
                paintOffScreen(*part, state->picture);
                break;
            }
        }
        if (!state->parts.isEmpty())
            return true;
        state->picture = QImage();
        return false;
    };
}

QList<IdleWarmUp::Step> IdleWarmUp::windowsOf(WindowController &windows, StatusBarController *status, AppModel &model)
{
    // Any of them may be gone by the time its step runs.
    const QPointer<WindowController> controller(&windows);
    const QPointer<AppModel> owner(&model);
    QList<Step> steps;
    for (const QFont &face : faces())
        steps.append(warmFace(face));
    const QPointer<StatusBarController> item(status);
    steps.append(render([item] { return item ? unopened(item->popover()) : nullptr; }));
    steps.append(settingsSteps(controller, owner));
    steps.append(historySteps(controller, owner));
    steps.append(throwaway([owner] {
        const CaptureResult sample(QStringLiteral("Quarterly report, third revision\nNet revenue grew 12.4%"),
                                   OCREngine::vision, 0.42);
        return owner ? throwawayWindow(new ResultView(sample, *owner), WindowController::resultSize) : nullptr;
    }));
    steps.append(throwaway([controller, owner]() -> QWidget * {
        // Once the welcome window exists it has painted all it shares.
        if (!controller || !owner || controller->welcomeWindow())
            return nullptr;
        return throwawayWindow(new WelcomeView(*owner, owner->settings()), WindowController::welcomeSize);
    }));
    // What the throwaway windows and the off-screen pictures freed.
    steps.append([] {
        LargeBlockRelease::giveBackFreePages();
        return false;
    });
    return steps;
}
