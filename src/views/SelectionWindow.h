#pragma once

#include <QWidget>

class QScreen;
class SelectionOverlay;

// A borderless window that covers one display entirely, above panels and
// docks: on X11 it bypasses the window manager (override-redirect), so no
// decoration, placement policy or panel strut applies to it.
class SelectionWindow : public QWidget {
    Q_OBJECT
public:
    static const QString title;

    explicit SelectionWindow(QScreen *screen);

    // Makes `overlay` the window's only content, filling it.
    void setOverlay(SelectionOverlay *overlay);
    SelectionOverlay *overlay() const { return overlay_; }
    // Detaches and deletes the overlay later (it may be inside its own event handler).
    void removeOverlay();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    SelectionOverlay *overlay_ = nullptr;
};
