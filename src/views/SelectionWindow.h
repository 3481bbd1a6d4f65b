#pragma once

#include "services/SelectionSurface.h"

#include <QWidget>

class QScreen;
class SelectionOverlay;

// A borderless window that covers one display entirely, above panels and
// docks: on X11 it bypasses the window manager (override-redirect), so no
// decoration, placement policy or panel strut applies to it.
class SelectionWindow : public QWidget, public SelectionSurface {
    Q_OBJECT
public:
    static const QString title;

    explicit SelectionWindow(QScreen *screen);

    // Makes `overlay` the window's only content, filling it; its reports
    // become the surface's.
    void setOverlay(SelectionOverlay *overlay);
    SelectionOverlay *overlay() const { return overlay_; }
    // Detaches and deletes the overlay later (it may be inside its own event handler).
    void removeOverlay();

    void makeKey() override;
    void dismiss() override;
    QObject *lifetime() override { return this; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    SelectionOverlay *overlay_ = nullptr;
};
