#include "views/MenuBarView.h"

#include "stores/AppModel.h"
#include "stores/Preferences.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

MenuBarView::MenuBarView(AppModel &model, Preferences &settings, MLXSetup &, ClipboardHistoryStore &, QWidget *parent)
    : QWidget(parent), model_(model), settings_(settings),
      capture_(new QPushButton(QStringLiteral("Capture Text"), this)), shortcut_(new QLabel(this))
{
    auto *title = new QLabel(QStringLiteral("Ravelond"), this);
    QFont titleFont = title->font();
    titleFont.setPixelSize(16);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    shortcut_->setTextFormat(Qt::PlainText);
    capture_->setObjectName(QStringLiteral("captureButton"));
    auto *quit = new QPushButton(QStringLiteral("Quit"), this);
    quit->setObjectName(QStringLiteral("quitButton"));
    connect(capture_, &QPushButton::clicked, &model_, &AppModel::startCapture);
    connect(quit, &QPushButton::clicked, this, &MenuBarView::quitRequested);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 14);
    layout->addWidget(title);
    layout->addWidget(capture_);
    layout->addWidget(shortcut_);
    layout->addWidget(quit, 0, Qt::AlignRight);
    setFixedWidth(360);

    connect(&model_, &AppModel::phaseChanged, this, &MenuBarView::follow);
    connect(&model_, &AppModel::shortcutConflictChanged, this, &MenuBarView::follow);
    connect(&settings_, &Preferences::shortcutChanged, this, &MenuBarView::follow);
    follow();
}

void MenuBarView::follow()
{
    capture_->setEnabled(!model_.phase().isBusy());
    shortcut_->setText(model_.shortcutConflict() ? QStringLiteral("The shortcut is in use by another application.")
                                                 : QStringLiteral("Shortcut: ") + settings_.shortcut().label());
}
