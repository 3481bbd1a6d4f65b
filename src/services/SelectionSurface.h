#pragma once

#include <QRectF>

#include <functional>

class QObject;

// One display's overlay while the user selects, as the selection service
// drives it. The surface reports the user's choice through its two callbacks,
// in the surface's own logical points (y down), and closes only when told.
class SelectionSurface {
public:
    virtual ~SelectionSurface() = default;

    std::function<void(const QRectF &)> onSelection;
    std::function<void()> onCancel;

    // Takes the keyboard, so Escape and the arrows reach this surface.
    virtual void makeKey() = 0;
    // Hides the surface, gives the keyboard back and deletes it later: it may
    // be inside one of its own event handlers right now.
    virtual void dismiss() = 0;
    // The object whose destruction ends the surface, for guarded pointers.
    virtual QObject *lifetime() = 0;
};
