#pragma once

#include <QCoroTask>
#include <QStringList>
#include <QWidget>

class AppModel;
class GeneralSettingsTab;
class LocalEngineTab;
class MLXSetup;
class Preferences;
class QTabWidget;

// The whole content of the settings window: a header with the app glyph and
// two lines, then the General and Local MLX tabs. The window keeps this view
// for the life of the process, so the chosen tab stays chosen. Each time it
// comes on screen it refreshes the local engine's state and lists the
// recognition languages again, off the GUI thread.
class PreferencesView : public QWidget {
    Q_OBJECT
public:
    PreferencesView(AppModel &model, Preferences &settings, MLXSetup &setup, QWidget *parent = nullptr);

    // The language codes offered, as last listed.
    QStringList languages() const { return languages_; }
    // Lists the languages now, off the GUI thread, ahead of the first showing
    // (the idle warm-up), which then finds the picker filled.
    void prepareLanguages();

Q_SIGNALS:
    // The language picker shows a fresh listing.
    void languagesListed();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    // Tab follows the order on screen.
    bool focusNextPrevChild(bool next) override;

private:
    QWidget *makeHeader();
    QCoro::Task<void> listLanguages();
    void paintTabIcons();

    AppModel &model_;
    MLXSetup &setup_;
    QTabWidget *tabs_;
    GeneralSettingsTab *general_;
    LocalEngineTab *localEngine_;
    QStringList languages_;
    bool listed_ = false;
    // Only the latest listing is shown.
    quint64 listing_ = 0;
};
