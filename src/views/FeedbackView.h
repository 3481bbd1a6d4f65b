#pragma once

#include <QWidget>

class AppModel;
class QLabel;
class QPushButton;

// The feedback panel's content: what the current phase means, the copy
// summary or the error, and a dismiss button. It follows the model by itself
// for as long as it lives; the panel that hosts it gives it its size.
class FeedbackView : public QWidget {
    Q_OBJECT
public:
    explicit FeedbackView(AppModel &model, QWidget *parent = nullptr);

private:
    void follow();

    AppModel &model_;
    QLabel *title_;
    QLabel *subtitle_;
    QPushButton *dismiss_;
};
