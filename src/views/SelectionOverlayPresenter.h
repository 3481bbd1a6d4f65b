#pragma once

#include "platform/SelectionPlatform.h"
#include "services/SelectionPresenter.h"

#include <QList>
#include <QPointer>

class SelectionWindow;

// Shows the selection as one override-redirect window per display, each with
// a selection overlay over the frozen picture, fading in unless Reduce Motion
// is on.
class SelectionOverlayPresenter final : public SelectionPresenter {
public:
    // The platform's objects are not owned and must outlive the presenter.
    explicit SelectionOverlayPresenter(SelectionPlatform platform);

    SelectionSurface *present(QScreen *screen, const QImage &picture, OCREngine engine, bool practice) override;
    QImage practicePicture(QSizeF size, qreal devicePixelRatio, bool dark) const override;

    // The windows that are up, in the order they were shown.
    QList<SelectionWindow *> windows() const;

private:
    SelectionPlatform platform_;
    QList<QPointer<SelectionWindow>> windows_;
};
