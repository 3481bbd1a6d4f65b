#include "app/IdleWarmUp.h"

#include "app/StatusBarController.h"
#include "app/WindowController.h"
#include "stores/AppModel.h"

#include <QLayout>
#include <QPointer>
#include <QTimer>
#include <QWidget>

IdleWarmUp::IdleWarmUp(QList<Step> steps, std::chrono::milliseconds delay, QObject *parent)
    : QObject(parent), steps_(std::move(steps))
{
    QTimer::singleShot(delay, this, &IdleWarmUp::runNext);
}

void IdleWarmUp::runNext()
{
    if (steps_.isEmpty()) {
        Q_EMIT finished();
        return;
    }
    const Step step = steps_.takeFirst();
    step();
    // The next step waits for whatever arrived meanwhile.
    QTimer::singleShot(0, this, &IdleWarmUp::runNext);
}

void IdleWarmUp::render(QWidget *window)
{
    if (!window)
        return;
    window->ensurePolished();
    if (QLayout *layout = window->layout())
        layout->activate();
    // Painting into a picture of its own runs every child's paint code (and
    // so loads its fonts) without a native window or anything on screen.
    window->grab();
}

QList<IdleWarmUp::Step> IdleWarmUp::windowsOf(WindowController &windows, StatusBarController *status, AppModel &model)
{
    // Any of them may be gone by the time its step runs.
    const QPointer<WindowController> controller(&windows);
    const QPointer<StatusBarController> item(status);
    const QPointer<AppModel> owner(&model);
    return {
        [item] {
            if (item)
                render(item->popover());
        },
        [controller, owner] {
            if (controller && owner) {
                controller->preparePreferences(*owner);
                render(controller->preferencesWindow());
            }
        },
    };
}
