#include "views/HistoryView.h"

#include "stores/AppModel.h"
#include "stores/ClipboardHistoryStore.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

HistoryView::HistoryView(AppModel &model, ClipboardHistoryStore &history, QWidget *parent)
    : QWidget(parent), model_(model), history_(history), list_(new QListWidget(this))
{
    auto *title = new QLabel(QStringLiteral("Clipboard history"), this);
    QFont titleFont = title->font();
    titleFont.setPixelSize(16);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    list_->setObjectName(QStringLiteral("historyList"));
    list_->setAccessibleName(QStringLiteral("Clipboard history"));
    connect(list_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { model_.copyAgain(item->data(Qt::UserRole).toString()); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->addWidget(title);
    layout->addWidget(list_, 1);

    connect(&history_, &ClipboardHistoryStore::itemsChanged, this, &HistoryView::follow);
    follow();
}

void HistoryView::follow()
{
    list_->clear();
    for (const ClipboardHistoryItem &item : history_.items()) {
        // Items are plain text: a list item never interprets markup.
        auto *row = new QListWidgetItem(item.text.left(200).simplified(), list_);
        row->setData(Qt::UserRole, item.text);
    }
}
