#pragma once

#include <QWidget>

class AppModel;
class MLXSetup;
class Preferences;
class QComboBox;
class QLabel;

// The settings window's content, for now the shortcut and the local engine's
// state. It keeps its state for as long as the one settings window lives.
class PreferencesView : public QWidget {
    Q_OBJECT
public:
    PreferencesView(AppModel &model, Preferences &settings, MLXSetup &setup, QWidget *parent = nullptr);

private:
    void follow();

    AppModel &model_;
    Preferences &settings_;
    MLXSetup &setup_;
    QComboBox *shortcut_;
    QLabel *conflict_;
    QLabel *engine_;
};
