#include "views/PreferencesView.h"

#include "services/MLXSetup.h"
#include "stores/AppModel.h"
#include "stores/Preferences.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSignalBlocker>

PreferencesView::PreferencesView(AppModel &model, Preferences &settings, MLXSetup &setup, QWidget *parent)
    : QWidget(parent), model_(model), settings_(settings), setup_(setup), shortcut_(new QComboBox(this)),
      conflict_(new QLabel(this)), engine_(new QLabel(this))
{
    shortcut_->setObjectName(QStringLiteral("shortcutPicker"));
    shortcut_->setAccessibleName(QStringLiteral("Shortcut"));
    for (const ShortcutPreset preset : ShortcutPreset::allCases())
        shortcut_->addItem(preset.label(), preset.rawValue());
    for (QLabel *label : {conflict_, engine_})
        label->setTextFormat(Qt::PlainText);
    connect(shortcut_, &QComboBox::activated, this, [this](int index) {
        if (const auto preset = ShortcutPreset::fromRawValue(shortcut_->itemData(index).toString()))
            settings_.setShortcut(*preset);
    });

    auto *layout = new QFormLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->addRow(QStringLiteral("Shortcut"), shortcut_);
    layout->addRow(QString(), conflict_);
    layout->addRow(QStringLiteral("Local MLX"), engine_);

    connect(&model_, &AppModel::shortcutConflictChanged, this, &PreferencesView::follow);
    connect(&settings_, &Preferences::shortcutChanged, this, &PreferencesView::follow);
    connect(&setup_, &MLXSetup::statusChanged, this, &PreferencesView::follow);
    follow();
}

void PreferencesView::follow()
{
    const QSignalBlocker blocker(shortcut_);
    shortcut_->setCurrentIndex(shortcut_->findData(settings_.shortcut().rawValue()));
    conflict_->setText(model_.shortcutConflict() ? QStringLiteral("This shortcut is in use by another application.")
                                                 : QString());
    engine_->setText(setup_.status());
}
