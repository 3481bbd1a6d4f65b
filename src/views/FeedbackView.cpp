#include "views/FeedbackView.h"

#include "stores/AppModel.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

FeedbackView::FeedbackView(AppModel &model, QWidget *parent)
    : QWidget(parent), model_(model), title_(new QLabel(this)), subtitle_(new QLabel(this)),
      dismiss_(new QPushButton(QStringLiteral("Dismiss"), this))
{
    title_->setObjectName(QStringLiteral("title"));
    subtitle_->setObjectName(QStringLiteral("subtitle"));
    for (QLabel *label : {title_, subtitle_}) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
    }
    QFont titleFont = title_->font();
    titleFont.setPixelSize(17);
    titleFont.setWeight(QFont::DemiBold);
    title_->setFont(titleFont);
    dismiss_->setObjectName(QStringLiteral("dismissButton"));
    dismiss_->setAccessibleName(QStringLiteral("Dismiss notification"));
    connect(dismiss_, &QPushButton::clicked, &model_, &AppModel::dismissFeedback);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(22, 20, 22, 18);
    layout->addWidget(title_);
    layout->addWidget(subtitle_);
    layout->addStretch();
    layout->addWidget(dismiss_, 0, Qt::AlignRight);

    connect(&model_, &AppModel::phaseChanged, this, &FeedbackView::follow);
    connect(&model_, &AppModel::copySummaryChanged, this, &FeedbackView::follow);
    connect(&model_, &AppModel::lastErrorChanged, this, &FeedbackView::follow);
    follow();
}

void FeedbackView::follow()
{
    const CapturePhase phase = model_.phase();
    switch (phase.kind()) {
    case CapturePhase::copied:
        title_->setText(QStringLiteral("Copied. All yours."));
        subtitle_->setText(model_.copySummary());
        break;
    case CapturePhase::failed:
        title_->setText(QStringLiteral("Let’s get you back on track."));
        subtitle_->setText(model_.lastError());
        break;
    case CapturePhase::cancelled:
        title_->setText(QStringLiteral("No rush. Try another trov."));
        subtitle_->setText(QStringLiteral("Nothing was copied or replaced."));
        break;
    case CapturePhase::idle:
    case CapturePhase::selecting:
    case CapturePhase::recognizing:
        title_->setText(QStringLiteral("Finding the words…"));
        subtitle_->setText(phase.engine() == OCREngine::mlx
                               ? QStringLiteral("Reading with your local model. The first trov can take a moment.")
                               : QStringLiteral("Turning a little piece of your screen into something useful."));
        break;
    }
}
