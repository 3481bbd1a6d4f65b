#include "support/design/WindowFront.h"

#include <QWidget>

void WindowFront::bring(QWidget &window)
{
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.show();
    window.raise();
    window.activateWindow();
}
