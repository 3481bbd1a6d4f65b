#include "views/ResultView.h"

#include "stores/AppModel.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

ResultView::ResultView(const CaptureResult &result, AppModel &model, QWidget *parent)
    : QWidget(parent), result_(result), model_(model), editor_(new QPlainTextEdit(result.text, this))
{
    auto *title = new QLabel(QStringLiteral("Your words, ready to go."), this);
    QFont titleFont = title->font();
    titleFont.setPixelSize(20);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    editor_->setObjectName(QStringLiteral("resultText"));
    editor_->setAccessibleName(QStringLiteral("Captured text"));
    auto *copy = new QPushButton(QStringLiteral("Copy"), this);
    copy->setObjectName(QStringLiteral("copyButton"));
    connect(copy, &QPushButton::clicked, this, [this] { model_.copyAgain(text()); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->addWidget(title);
    layout->addWidget(editor_, 1);
    layout->addWidget(copy, 0, Qt::AlignRight);
}

QString ResultView::text() const
{
    return editor_->toPlainText();
}
