#pragma once

#include "models/OCREngine.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class QAbstractButton;
class QVariantAnimation;

// The menu-bar panel's engine switch: one chip per engine, splitting the row
// evenly. The chosen chip sits on a mint highlight that glides from chip to
// chip (a spring; at once under Reduce Motion). The local engine's chip
// carries a download badge while the engine is not installed. A chip's click
// is reported as chosen(); the row shows a choice only when told.
class EngineChips : public QWidget {
    Q_OBJECT
public:
    static constexpr double radius = 9;
    // How long the spring takes to come to rest.
    static constexpr int glideMs = 400;

    explicit EngineChips(QWidget *parent = nullptr);

    void setSelected(OCREngine engine, bool animated);
    OCREngine selected() const { return selected_; }
    void setBadged(bool mlxNeedsSetup);
    QAbstractButton *chip(OCREngine engine) const;
    // How far the highlight has come from where it was to the chosen chip: 0 to 1.
    double glideShare() const { return share_; }
    // How selected a chip looks now: 1 for the chosen one once the highlight
    // is under it, easing from the one it leaves.
    double selectionOf(OCREngine engine) const;
    bool isGliding() const;
    // The damped spring the highlight follows (response 0.3 s, damping 0.85)
    // at `progress` (0 to 1) of glideMs.
    static qreal spring(qreal progress);

Q_SIGNALS:
    void chosen(OCREngine engine);

protected:
    void paintEvent(QPaintEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QRectF highlightRect() const;
    void settle();

    QList<QAbstractButton *> chips_;
    OCREngine selected_ = OCREngine::vision;
    OCREngine previous_ = OCREngine::vision;
    QRectF from_;
    double share_ = 1;
    QPointer<QVariantAnimation> glide_;
};
