#pragma once

#include <QScrollArea>
#include <QStringList>

class AppModel;
class ClampedLabel;
class Preferences;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class SymbolLabel;

// The settings window's General tab: a form in four groups (Capture, Small
// comforts, Clipboard history, Screen access), scrolled when the window is
// too short for it. Every control shows one setting or calls the model; a
// setting is written only by a user's click or pick, never while the tab
// follows the model.
class GeneralSettingsTab : public QScrollArea {
    Q_OBJECT
public:
    GeneralSettingsTab(AppModel &model, Preferences &settings, QWidget *parent = nullptr);

    // The recognition languages the language picker offers after "Detect
    // automatically", in this order.
    void setLanguages(const QStringList &codes);

private:
    QGroupBox *makeCaptureSection();
    QGroupBox *makeComfortsSection();
    QGroupBox *makeHistorySection();
    QGroupBox *makeScreenAccessSection();
    QComboBox *makePicker(const QString &name, const QString &label);
    // Offers `options` by their text and shows and writes one enumerated setting.
    template <typename Option>
    void bindOptions(QComboBox &picker, const QList<Option> &options, QString (Option::*text)() const,
                     Option (Preferences::*get)() const, void (Preferences::*set)(Option),
                     void (Preferences::*changed)(Option));
    QWidget *pickerRow(const QString &label, QComboBox *picker);
    QCheckBox *makeToggle(const QString &text, const QString &name, bool (Preferences::*get)() const,
                          void (Preferences::*set)(bool), void (Preferences::*changed)(bool));
    void followBusy();
    void followConflict();
    void followHistory();
    void followPermission();
    void permissionPressed();

    AppModel &model_;
    Preferences &settings_;
    QGroupBox *capture_ = nullptr;
    ClampedLabel *conflict_ = nullptr;
    QComboBox *language_ = nullptr;
    QCheckBox *persistHistory_ = nullptr;
    QPushButton *browseHistory_ = nullptr;
    SymbolLabel *permissionLabel_ = nullptr;
    QPushButton *permissionButton_ = nullptr;
};
