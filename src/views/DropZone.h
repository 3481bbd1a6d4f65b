#pragma once

#include <QPointer>
#include <QWidget>

class ClampedLabel;
class QVariantAnimation;
class SymbolImage;

// The picture of a drop in the menu-bar panel, shown while there is no
// capture yet: a symbol and two lines of invitation in a dashed rounded
// rectangle whose fill turns mint while a file is dragged over the panel. It
// takes no drops itself: the whole panel does.
class DropZone : public QWidget {
    Q_OBJECT
public:
    static const QString headline;
    static const QString hint;

    explicit DropZone(QWidget *parent = nullptr);

    // Eased over 0.16 s unless `animated` is false (Reduce Motion).
    void setTargeted(bool targeted, bool animated);
    bool isTargeted() const { return targeted_; }
    // How far the fill has turned mint: 0 to 1.
    double targetShare() const { return share_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void settle();

    SymbolImage *symbol_;
    ClampedLabel *headline_;
    ClampedLabel *hint_;
    bool targeted_ = false;
    double share_ = 0;
    QPointer<QVariantAnimation> fade_;
};
