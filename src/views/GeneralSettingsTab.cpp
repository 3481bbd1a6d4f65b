#include "views/GeneralSettingsTab.h"

#include "models/RecognitionLanguageName.h"
#include "stores/AppModel.h"
#include "stores/Preferences.h"
#include "support/design/ClampedLabel.h"
#include "support/design/ReturnActivation.h"
#include "support/design/SymbolLabel.h"
#include "views/SettingsControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <functional>

namespace {

using Ink = SystemColours::Ink;

constexpr int sectionSpacing = 14;
constexpr int rowSpacing = 8;
constexpr int margin = 16;

const QString automaticLanguage = QStringLiteral("auto");

QGroupBox *section(const QString &title, QVBoxLayout *&rows)
{
    auto *box = new QGroupBox(title);
    rows = new QVBoxLayout(box);
    rows->setSpacing(rowSpacing);
    return box;
}

} // namespace

GeneralSettingsTab::GeneralSettingsTab(AppModel &model, Preferences &settings, QWidget *parent)
    : QScrollArea(parent), model_(model), settings_(settings)
{
    setObjectName(QStringLiteral("generalTab"));
    auto *form = new QWidget;
    auto *layout = new QVBoxLayout(form);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(sectionSpacing);
    layout->addWidget(makeCaptureSection());
    layout->addWidget(makeComfortsSection());
    layout->addWidget(makeHistorySection());
    layout->addWidget(makeScreenAccessSection());
    layout->addStretch(1);
    SettingsControls::scroll(*this, form);

    connect(&model_, &AppModel::phaseChanged, this, &GeneralSettingsTab::followBusy);
    connect(&model_, &AppModel::shortcutConflictChanged, this, &GeneralSettingsTab::followConflict);
    connect(&model_, &AppModel::permissionGrantedChanged, this, &GeneralSettingsTab::followPermission);
    connect(&settings_, &Preferences::clipboardHistoryChanged, this, &GeneralSettingsTab::followHistory);
    followBusy();
    followConflict();
    followHistory();
    followPermission();
}

QComboBox *GeneralSettingsTab::makePicker(const QString &name, const QString &label)
{
    auto *picker = new QComboBox;
    picker->setObjectName(name);
    picker->setAccessibleName(label);
    picker->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return picker;
}

QWidget *GeneralSettingsTab::pickerRow(const QString &label, QComboBox *picker)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *title = new QLabel(label);
    title->setTextFormat(Qt::PlainText);
    title->setBuddy(picker);
    layout->addWidget(title);
    layout->addStretch(1);
    layout->addWidget(picker);
    return row;
}

QCheckBox *GeneralSettingsTab::makeToggle(const QString &text, const QString &name, bool (Preferences::*get)() const,
                                          void (Preferences::*set)(bool), void (Preferences::*changed)(bool))
{
    auto *toggle = new QCheckBox(text);
    toggle->setObjectName(name);
    ReturnActivation::install(*toggle);
    toggle->setChecked((settings_.*get)());
    connect(toggle, &QCheckBox::clicked, this, std::bind_front(set, &settings_));
    connect(&settings_, changed, toggle, [toggle](bool on) {
        const QSignalBlocker blocker(toggle);
        toggle->setChecked(on);
    });
    return toggle;
}

template <typename Option>
void GeneralSettingsTab::bindOptions(QComboBox &picker, const QList<Option> &options, QString (Option::*text)() const,
                                     Option (Preferences::*get)() const, void (Preferences::*set)(Option),
                                     void (Preferences::*changed)(Option))
{
    for (const Option &option : options)
        picker.addItem((option.*text)(), option.rawValue());
    SettingsControls::select(picker, (settings_.*get)().rawValue());
    const auto write = std::bind_front(set, &settings_);
    connect(&picker, &QComboBox::activated, this, [&picker, write](int index) {
        if (const std::optional<Option> option = Option::fromRawValue(picker.itemData(index).toString()))
            write(*option);
    });
    connect(&settings_, changed, &picker,
            [&picker](Option option) { SettingsControls::select(picker, option.rawValue()); });
}

QGroupBox *GeneralSettingsTab::makeCaptureSection()
{
    QVBoxLayout *rows = nullptr;
    capture_ = section(QStringLiteral("Capture"), rows);

    QComboBox *engine = makePicker(QStringLiteral("enginePicker"), QStringLiteral("Recognition engine"));
    bindOptions(*engine, OCREngine::allCases(), &OCREngine::title, &Preferences::engine, &Preferences::setEngine,
                &Preferences::engineChanged);
    rows->addWidget(pickerRow(QStringLiteral("Recognition engine"), engine));

    QComboBox *shortcut = makePicker(QStringLiteral("shortcutPicker"), QStringLiteral("Global shortcut"));
    bindOptions(*shortcut, ShortcutPreset::allCases(), &ShortcutPreset::label, &Preferences::shortcut,
                &Preferences::setShortcut, &Preferences::shortcutChanged);
    rows->addWidget(pickerRow(QStringLiteral("Global shortcut"), shortcut));

    conflict_ = SettingsControls::caption(QStringLiteral("Shortcut already in use. Select another combination."),
                                          Ink::orange, QStringLiteral("conflictCaption"));
    rows->addWidget(conflict_);

    language_ = makePicker(QStringLiteral("languagePicker"), QStringLiteral("Vision language"));
    setLanguages({});
    connect(language_, &QComboBox::activated, this,
            [this](int index) { settings_.setLanguage(language_->itemData(index).toString()); });
    connect(&settings_, &Preferences::languageChanged, language_,
            [this](const QString &language) { SettingsControls::select(*language_, language); });
    rows->addWidget(pickerRow(QStringLiteral("Vision language"), language_));

    rows->addWidget(makeToggle(QStringLiteral("Keep line breaks"), QStringLiteral("keepLineBreaks"),
                               &Preferences::keepLineBreaks, &Preferences::setKeepLineBreaks,
                               &Preferences::keepLineBreaksChanged));
    return capture_;
}

QGroupBox *GeneralSettingsTab::makeComfortsSection()
{
    QVBoxLayout *rows = nullptr;
    QGroupBox *box = section(QStringLiteral("Small comforts"), rows);
    rows->addWidget(makeToggle(QStringLiteral("Play a quiet sound when copied"), QStringLiteral("playSound"),
                               &Preferences::playSound, &Preferences::setPlaySound, &Preferences::playSoundChanged));
    rows->addWidget(makeToggle(QStringLiteral("Keep six recent captures this session"),
                               QStringLiteral("rememberSession"), &Preferences::rememberSession,
                               &Preferences::setRememberSession, &Preferences::rememberSessionChanged));
    rows->addWidget(SettingsControls::caption(QStringLiteral("Your latest result stays available until cleared or you "
                                                             "quit. Session history is never written to disk."),
                                              Ink::secondary));
    return box;
}

QGroupBox *GeneralSettingsTab::makeHistorySection()
{
    QVBoxLayout *rows = nullptr;
    QGroupBox *box = section(QStringLiteral("Clipboard history"), rows);
    rows->addWidget(makeToggle(QStringLiteral("Save text you copy"), QStringLiteral("clipboardHistory"),
                               &Preferences::clipboardHistory, &Preferences::setClipboardHistory,
                               &Preferences::clipboardHistoryChanged));
    persistHistory_ =
        makeToggle(QStringLiteral("Keep history after quitting"), QStringLiteral("persistClipboardHistory"),
                   &Preferences::persistClipboardHistory, &Preferences::setPersistClipboardHistory,
                   &Preferences::persistClipboardHistoryChanged);
    rows->addWidget(persistHistory_);
    browseHistory_ = new QPushButton(QStringLiteral("Browse saved text…"));
    browseHistory_->setObjectName(QStringLiteral("browseHistory"));
    ReturnActivation::install(*browseHistory_);
    connect(browseHistory_, &QPushButton::clicked, this, [this] { model_.openHistory(); });
    rows->addWidget(browseHistory_, 0, Qt::AlignLeft);
    rows->addWidget(SettingsControls::caption(
        QStringLiteral("Off by default. While on, Ravelond records plain text you copy — never password-manager "
                       "clips — and keeps up to 100 items on this Mac. Turning it off clears saved items."),
        Ink::secondary));
    return box;
}

QGroupBox *GeneralSettingsTab::makeScreenAccessSection()
{
    QVBoxLayout *rows = nullptr;
    QGroupBox *box = section(QStringLiteral("Screen access"), rows);
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    permissionLabel_ = new SymbolLabel(QString(), QString(), SettingsControls::controlFont(), Ink::primary);
    permissionLabel_->setObjectName(QStringLiteral("permissionLabel"));
    layout->addWidget(permissionLabel_);
    layout->addStretch(1);
    permissionButton_ = new QPushButton;
    permissionButton_->setObjectName(QStringLiteral("permissionButton"));
    ReturnActivation::install(*permissionButton_);
    connect(permissionButton_, &QPushButton::clicked, this, &GeneralSettingsTab::permissionPressed);
    layout->addWidget(permissionButton_);
    rows->addWidget(row);
    rows->addWidget(SettingsControls::caption(QStringLiteral("Select text on one display at a time. Image import works "
                                                             "without screen access. No Accessibility permission is "
                                                             "needed."),
                                              Ink::secondary));
    return box;
}

void GeneralSettingsTab::setLanguages(const QStringList &codes)
{
    {
        const QSignalBlocker blocker(language_);
        language_->clear();
        language_->addItem(QStringLiteral("Detect automatically"), automaticLanguage);
        for (const QString &code : codes)
            language_->addItem(RecognitionLanguageName::of(code), code);
    }
    // A stored language that is not offered stays stored; nothing is shown as picked.
    SettingsControls::select(*language_, settings_.language());
}

void GeneralSettingsTab::followBusy()
{
    capture_->setEnabled(!model_.phase().isBusy());
}

void GeneralSettingsTab::followConflict()
{
    conflict_->setVisible(model_.shortcutConflict());
}

void GeneralSettingsTab::followHistory()
{
    const bool recording = settings_.clipboardHistory();
    // Disabled, it still shows what is stored.
    persistHistory_->setEnabled(recording);
    browseHistory_->setVisible(recording);
}

void GeneralSettingsTab::followPermission()
{
    const bool granted = model_.permissionGranted();
    permissionLabel_->setSymbol(granted ? QStringLiteral("checkmark.shield") : QStringLiteral("lock.shield"));
    permissionLabel_->setText(granted ? QStringLiteral("Screen Recording enabled")
                                      : QStringLiteral("Screen Recording needed"));
    permissionButton_->setText(granted ? QStringLiteral("Refresh") : QStringLiteral("Open System Settings"));
}

void GeneralSettingsTab::permissionPressed()
{
    // Asked only when it was missing at the press; the state is read again either way.
    if (!model_.permissionGranted())
        model_.requestPermission();
    model_.refreshPermission();
}
