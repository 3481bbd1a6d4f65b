#pragma once

#include "support/design/AnimatedButton.h"
#include "support/design/CaptureButtonStyle.h"

#include <QPointer>

class ShadowUnderlay;

// The primary call to action in CaptureButtonStyle: as wide as its container
// offers, as high as its label plus 26. The label is the button's text, which
// a symbol may lead and an accessory (a shortcut) or a symbol may end at the
// far end. The glow reaches beyond the button (drawn by an underlay in the
// button's container's container, or in its parent); the press scales the
// button down, eased like a spring, except under Reduce Motion.
class CaptureButton : public AnimatedButton {
    Q_OBJECT
public:
    explicit CaptureButton(const QString &text, QWidget *parent = nullptr);

    CaptureButtonStyle::Look look() const { return currentLook<CaptureButtonStyle>(); }

    // The `symbol` property carries the leading symbol's name, or the trailing
    // one's when nothing leads.
    void setSymbol(const QString &symbol);
    QString symbol() const { return label_.symbol; }
    void setAccessory(const QString &accessory);
    QString accessory() const { return label_.accessory; }
    // A symbol at the far end, the text then at the leading edge. None by default.
    void setTrailingSymbol(const QString &symbol);
    QString trailingSymbol() const { return label_.trailingSymbol; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void lookChanged() override;

private:
    void ensureGlow();
    void labelChanged();

    CaptureButtonStyle::Label currentLabel() const;

    QPointer<ShadowUnderlay> glow_;
    CaptureButtonStyle::Label label_;
};
