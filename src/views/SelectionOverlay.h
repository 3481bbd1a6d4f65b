#pragma once

#include "models/OCREngine.h"
#include "platform/SelectionPlatform.h"
#include "views/SelectionChrome.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>

class SelectionPresentation;
class SelectionToolbar;

// Fills one display while the user selects: the frozen picture, the chrome and
// the hint card. A drag or the arrow keys shape a rectangle in the overlay's
// logical points (y down); the overlay reports it through `onSelection`, or a
// cancel through `onCancel`. It closes nothing itself and does not guard
// against a second report: its owner resumes its caller once.
//
// For assistive technologies the overlay is one group element with a label, a
// help text and a value reading the selection's size in the picture's pixels.
class SelectionOverlay : public QWidget {
    Q_OBJECT
public:
    static constexpr double minimumSide = 8;
    static const QString helpText;

    SelectionOverlay(const QImage &image, QSizeF size, OCREngine engine, bool practice,
                     const SelectionPlatform &platform, QWidget *parent = nullptr);
    ~SelectionOverlay() override;

    std::function<void(const QRectF &)> onSelection;
    std::function<void()> onCancel;

    // Hides the hint card when the overlay's window goes away.
    void stopAnimation();
    // Takes the keyboard for this overlay (its window active, keys grabbed).
    void makeKey();

    QRectF selection() const { return selection_; }
    const SelectionPresentation &presentation() const { return *presentation_; }
    const SelectionToolbar &toolbar() const { return *toolbar_; }
    const QImage &image() const { return image_; }
    QString accessibleLabel() const;
    // Empty until the first selection update.
    QString accessibleValue() const { return accessibleValue_; }

    // The hint card's frame for an overlay of this width: centred, 40 points
    // below the top, at most 510 wide, 100 high.
    static QRect toolbarFrame(int width);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setSelection(const QRectF &selection);
    void updateSelection();
    void confirmIfLargeEnough();
    bool largeEnough() const;
    void arrowKey(int key, Qt::KeyboardModifiers modifiers);
    // Where the pointer was for `event`, in the overlay's points, exact to the
    // device pixel under it.
    QPointF pointerPosition(const QMouseEvent &event) const;
    QRectF bounds() const { return QRectF(QPointF(0, 0), QSizeF(size())); }

    QImage image_;
    SelectionPlatform platform_;
    SelectionChrome chrome_;
    SelectionPresentation *presentation_;
    SelectionToolbar *toolbar_;
    std::optional<QPointF> start_;
    QRectF selection_;
    QString accessibleValue_;
    bool announcedTooSmall_ = false;
};
