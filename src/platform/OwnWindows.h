#pragma once

#include <QList>
#include <QPointer>
#include <QWindow>

// The application's own top-level windows as a screenshot must not show them.
class OwnWindows {
public:
    virtual ~OwnWindows() = default;
    // Hides every top-level window of the application that is on screen now
    // and returns those the user will expect back afterwards.
    virtual QList<QPointer<QWindow>> hideVisible() = 0;
    // Shows again what `hideVisible` returned, where still hidden.
    virtual void showAgain(const QList<QPointer<QWindow>> &windows) = 0;
};
