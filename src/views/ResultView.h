#pragma once

#include "models/CaptureResult.h"

#include <QCoroTask>
#include <QPointer>
#include <QWidget>

#include <chrono>

class AppModel;
class ClampedLabel;
class QFileDialog;
class QMessageBox;
class QPushButton;
class QTimer;
class ResultEditor;

// One result window's content: the capture's text in an editor, its counts,
// Copy (Ctrl+Shift+C; "Copied" for 1.5 s after each copy that reached the
// clipboard) and "Save as text…". Edits stay in the window: the kept result
// never changes. The save dialog and its alert belong to the window and go
// with it; the file is written in the background.
class ResultView : public QWidget {
    Q_OBJECT
public:
    static constexpr int padding = 26;
    static constexpr int spacing = 18;
    static constexpr QSize minimumContentSize{570, 420};
    static constexpr std::chrono::milliseconds copiedFor{1500};
    static const QString editorAccessibleName;
    static const QString proposedFileName;

    ResultView(const CaptureResult &result, AppModel &model, QWidget *parent = nullptr);
    ~ResultView() override;

    // The edited text.
    QString text() const;
    // Whether the editor holds text that is neither the recognised one nor
    // the one last saved to a file.
    bool hasUnsavedEdits() const;
    bool showsCopied() const { return copied_; }
    // The open save dialog, if any.
    QFileDialog *saveDialog() const;

    // "4 characters · 1 words": user-perceived characters and runs of
    // non-whitespace, the nouns always plural.
    static QString countsText(const QString &text);
    // Engine, timing and the time of day in the locale's short form.
    static QString metadataText(const CaptureResult &result);

Q_SIGNALS:
    // A save the user confirmed has ended, written or not.
    void saveFinished(bool written);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    // Tab follows the order on screen.
    bool focusNextPrevChild(bool next) override;

private:
    QWidget *makeHeader(const CaptureResult &result);
    QWidget *makeActions();
    void followText();
    void followPhase();
    void copy();
    void setCopied(bool copied);
    void save();
    QCoro::Task<void> write(QString path, QString text);
    void showSaveFailure(const QString &description);
    void tintCopyButton();

    QPointer<AppModel> model_;
    // The recognised text, or the one last saved.
    QString keptText_;
    ResultEditor *editor_;
    ClampedLabel *counts_ = nullptr;
    QPushButton *save_ = nullptr;
    QPushButton *copy_ = nullptr;
    QTimer *copyReset_;
    bool copied_ = false;
    QPointer<QFileDialog> saveDialog_;
};
