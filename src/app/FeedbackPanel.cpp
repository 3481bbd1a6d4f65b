#include "app/FeedbackPanel.h"

#include "platform/X11WindowHints.h"

#include <QVBoxLayout>
#include <QWindow>

const QString FeedbackPanel::title = QStringLiteral("Ravelond feedback");

FeedbackPanel::FeedbackPanel(QWidget *content)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), content_(content)
{
    setObjectName(QStringLiteral("feedbackPanel"));
    setWindowTitle(title);
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content_);
}

void FeedbackPanel::removeContent()
{
    delete content_;
    content_ = nullptr;
}

void FeedbackPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!hinted_) {
        hinted_ = true;
        X11WindowHints::floatOnEveryDesktop(windowHandle());
    }
}
