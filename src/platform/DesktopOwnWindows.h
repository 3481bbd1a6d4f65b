#pragma once

#include "platform/OwnWindows.h"

// Every top-level window of this process, whoever opened it. Ordinary
// windows and dialogs come back afterwards; transient ones (pop-ups, tool
// panels, tooltips, windows that bypass the window manager) do not: their
// owners decide about them anew.
class DesktopOwnWindows : public OwnWindows {
public:
    static DesktopOwnWindows &shared();
    QList<QPointer<QWindow>> hideVisible() override;
    void showAgain(const QList<QPointer<QWindow>> &windows) override;
};
