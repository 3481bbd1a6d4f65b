#pragma once

#include "models/CaptureResult.h"

#include <QWidget>

class AppModel;
class QPlainTextEdit;

// One result window's content: an editable copy of the result's text and a
// button that copies the edited text again. Bound to that one result.
class ResultView : public QWidget {
    Q_OBJECT
public:
    ResultView(const CaptureResult &result, AppModel &model, QWidget *parent = nullptr);

    QString text() const;

private:
    CaptureResult result_;
    AppModel &model_;
    QPlainTextEdit *editor_;
};
