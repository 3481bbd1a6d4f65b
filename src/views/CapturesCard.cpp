#include "views/CapturesCard.h"

#include "support/design/DesignAccessibility.h"
#include "support/design/DesignTokens.h"
#include "support/design/PlainButton.h"
#include "support/design/SectionHeader.h"
#include "views/ResultRow.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

using Ink = SystemColours::Ink;

constexpr int spacing = 11;

} // namespace

CapturesCard::CapturesCard(QWidget *parent)
    : QWidget(parent), header_(new SectionHeader(QString(), this)),
      clear_(new PlainButton(QStringLiteral("Clear"), DesignTokens::font(DesignTokens::FontRole::smallControl),
                             Ink::secondary, this)),
      rowsLayout_(new QVBoxLayout),
      copyLast_(new PlainButton(QStringLiteral("Copy last capture"), DesignTokens::font(DesignTokens::FontRole::link),
                                Ink::teal, this))
{
    DesignAccessibility::markAsGroup(*this);
    setAccessibleName(QStringLiteral("Captures"));
    setAttribute(Qt::WA_TranslucentBackground);
    header_->setObjectName(QStringLiteral("cardHeader"));
    clear_->setObjectName(QStringLiteral("clearButton"));
    copyLast_->setObjectName(QStringLiteral("copyLast"));
    copyLast_->setSymbol(QStringLiteral("doc.on.doc"));
    connect(clear_, &QAbstractButton::clicked, this, &CapturesCard::clearClicked);
    connect(copyLast_, &QAbstractButton::clicked, this, &CapturesCard::copyLastClicked);

    auto *headerRow = new QHBoxLayout;
    headerRow->setContentsMargins(0, 0, 0, 0);
    headerRow->addWidget(header_, 1, Qt::AlignVCenter);
    headerRow->addWidget(clear_, 0, Qt::AlignVCenter);
    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    rowsLayout_->setSpacing(spacing);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    column->addLayout(headerRow);
    column->addLayout(rowsLayout_);
    column->addWidget(copyLast_, 0, Qt::AlignLeft);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setHeader(false);
}

void CapturesCard::setHeader(bool remembering)
{
    header_->setTitle(remembering ? QStringLiteral("RECENT CAPTURES") : QStringLiteral("LAST CAPTURE"));
}

void CapturesCard::setResults(const QList<CaptureResult> &results)
{
    const QList<CaptureResult> shown = results.mid(0, shownRows);
    bool same = shown.size() == rows_.size();
    for (qsizetype i = 0; same && i < shown.size(); ++i)
        same = rows_[i]->result().id == shown[i].id;
    if (same)
        return;
    for (ResultRow *row : std::as_const(rows_)) {
        // A row may be the sender of the click that brought this change: it
        // goes once the click is over, nameless so it is not taken for a new one.
        rowsLayout_->removeWidget(row);
        row->hide();
        row->setObjectName(QString());
        row->deleteLater();
    }
    rows_.clear();
    for (const CaptureResult &result : shown) {
        auto *row = new ResultRow(result, this);
        connect(row, &QAbstractButton::clicked, this, [this, row] { Q_EMIT reviewClicked(row->result()); });
        rowsLayout_->addWidget(row);
        // At once, not on the layout's next turn: the card is complete when it is drawn next.
        row->show();
        rows_.append(row);
    }
    // Keep the tab order top to bottom: rows between Clear and "Copy last capture".
    QWidget *previous = clear_;
    for (ResultRow *row : std::as_const(rows_)) {
        setTabOrder(previous, row);
        previous = row;
    }
    setTabOrder(previous, copyLast_);
}

void CapturesCard::setBusy(bool busy)
{
    copyLast_->setEnabled(!busy);
}
