#include "views/WelcomeView.h"

#include "stores/AppModel.h"
#include "stores/Preferences.h"
#include "support/design/TrovMark.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

WelcomeView::WelcomeView(AppModel &model, Preferences &settings, QWidget *parent)
    : QWidget(parent), model_(model), settings_(settings)
{
    auto *title = new QLabel(QStringLiteral("Welcome to Ravelond"), this);
    QFont titleFont = title->font();
    titleFont.setPixelSize(24);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    auto *purpose = new QLabel(QStringLiteral("Press ") + settings_.shortcut().label() +
                                   QStringLiteral(", drag around any text on your screen, and it is on your "
                                                  "clipboard. Recognition stays on this machine."),
                               this);
    purpose->setTextFormat(Qt::PlainText);
    purpose->setWordWrap(true);
    auto *practice = new QPushButton(QStringLiteral("Try a practice capture"), this);
    practice->setObjectName(QStringLiteral("practiceButton"));
    auto *begin = new QPushButton(QStringLiteral("Get started"), this);
    begin->setObjectName(QStringLiteral("beginButton"));
    connect(practice, &QPushButton::clicked, &model_, &AppModel::startPractice);
    connect(begin, &QPushButton::clicked, this, [this] {
        settings_.setHasSeenWelcome(true);
        window()->close();
    });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 40, 40, 32);
    layout->addWidget(new TrovMark(64, this), 0, Qt::AlignHCenter);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addWidget(purpose);
    layout->addStretch();
    layout->addWidget(practice);
    layout->addWidget(begin);
}
