#pragma once

#include <QScrollArea>

class AppModel;
class ClampedLabel;
class InstallButton;
class MLXSetup;
class Preferences;
class QButtonGroup;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QWidget;
class StatusDot;

// The settings window's Local MLX tab: the local engine's set-up state, the
// interpreter the set-up runs with, the install or repair button, the kind
// of output the engine produces, and the way to its files. It shows what
// MLXSetup publishes and calls it; the installation is MLXSetup's own.
class LocalEngineTab : public QScrollArea {
    Q_OBJECT
public:
    static const QString chooserMessage;

    LocalEngineTab(AppModel &model, Preferences &settings, MLXSetup &setup, QWidget *parent = nullptr);

protected:
    void changeEvent(QEvent *event) override;

private:
    QWidget *makeIntro();
    QWidget *makeSetupSection();
    QWidget *makeStatusRow();
    QWidget *makePythonRow();
    QWidget *makeOutputPicker();
    QWidget *makeFooter();
    void choosePython();
    void followSetup();
    void followPythonPath(const QString &path);
    void followTask();
    void tintSecondaryButtons();

    AppModel &model_;
    Preferences &settings_;
    MLXSetup &setup_;
    StatusDot *statusDot_ = nullptr;
    ClampedLabel *status_ = nullptr;
    QProgressBar *progress_ = nullptr;
    QPushButton *cancel_ = nullptr;
    QWidget *pythonRow_ = nullptr;
    QLineEdit *pythonPath_ = nullptr;
    InstallButton *install_ = nullptr;
    QWidget *taskPicker_ = nullptr;
    QButtonGroup *tasks_ = nullptr;
    QPushButton *showFiles_ = nullptr;
};
