#pragma once

#include <QWidget>

// The small floating window that hosts the feedback card: frameless, above
// other windows, on every desktop, out of the taskbar, and shown without
// taking the focus from the application in front (a click on one of its
// controls may still give it the focus).
class FeedbackPanel final : public QWidget {
    Q_OBJECT
public:
    static const QString title;

    explicit FeedbackPanel(QWidget *content);

    // The hosted view goes first, so nothing of it outlives its model's observation.
    void removeContent();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *content_;
    bool hinted_ = false;
};
