#pragma once

#include "support/design/AnimatedButton.h"
#include "support/design/CaptureButtonStyle.h"

#include <QPointer>

class ShadowUnderlay;

// The primary call to action in CaptureButtonStyle: as wide as its container
// offers, as high as its label plus 26. The glow reaches beyond the button
// (drawn by an underlay in the button's container's container, or in its
// parent); the press scales the button down, eased like a spring, except
// under Reduce Motion.
class CaptureButton : public AnimatedButton {
    Q_OBJECT
public:
    explicit CaptureButton(const QString &text, QWidget *parent = nullptr);

    CaptureButtonStyle::Look look() const { return currentLook<CaptureButtonStyle>(); }

    // A symbol at the trailing end, the text then at the leading edge; carried
    // in the `symbol` property. None by default.
    void setTrailingSymbol(const QString &symbol);
    QString trailingSymbol() const { return trailingSymbol_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void lookChanged() override;

private:
    void ensureGlow();

    QPointer<ShadowUnderlay> glow_;
    QString trailingSymbol_;
};
