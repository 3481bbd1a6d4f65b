#pragma once

#include "support/design/CaptureButton.h"

class ClampedLabel;
class SymbolImage;

// The local engine's install or repair button: the capture button's look
// with a symbol, a title and, at the far end, a size caption. Named for
// assistive technologies by its title; carries its symbol's name in `symbol`.
class InstallButton : public CaptureButton {
    Q_OBJECT
public:
    explicit InstallButton(QWidget *parent = nullptr);

    // An empty caption is not shown.
    void present(const QString &symbol, const QString &title, const QString &caption);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    // One line whatever its width: its labels never wrap.
    bool hasHeightForWidth() const override { return false; }

private:
    SymbolImage *symbol_;
    ClampedLabel *title_;
    ClampedLabel *caption_;
};
