#pragma once

#include <QWidget>

class AppModel;
class Preferences;

// The welcome window's content: what Ravelond does, a practice run and the
// way to begin. Made once; its window is reused.
class WelcomeView : public QWidget {
    Q_OBJECT
public:
    WelcomeView(AppModel &model, Preferences &settings, QWidget *parent = nullptr);

private:
    AppModel &model_;
    Preferences &settings_;
};
