#include "views/HistoryView.h"

#include "foundation/Background.h"
#include "foundation/Detached.h"
#include "stores/AppModel.h"
#include "stores/ClipboardHistoryStore.h"
#include "support/design/AlertLayout.h"
#include "support/design/ClampedLabel.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/DesignTokens.h"
#include "support/design/PlainButton.h"
#include "support/design/SymbolButton.h"
#include "support/design/SymbolLabel.h"
#include "support/design/TrovMark.h"
#include "views/HistoryEmptyState.h"
#include "views/HistoryList.h"
#include "views/HistoryRow.h"
#include "views/HistorySearchField.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

using Ink = SystemColours::Ink;

constexpr int padding = 20;
constexpr int columnSpacing = 14;
constexpr int markSize = 34;
constexpr int headerSpacing = 11;
constexpr int titleSpacing = 3;
constexpr int footerSpacing = 6;

ClampedLabel *oneLine(const QFont &font, Ink ink, QWidget *parent)
{
    auto *label = new ClampedLabel(font, ink, parent);
    label->setMaximumLines(1);
    return label;
}

} // namespace

const QString HistoryView::clearTitle = QStringLiteral("Clear clipboard history?");
const QString HistoryView::clearMessage = QStringLiteral("This removes every saved item, including pinned ones.");

HistoryView::HistoryView(AppModel &model, ClipboardHistoryStore &history, QWidget *parent)
    : QWidget(parent), model_(model), history_(history), searchField_(new HistorySearchField(this)),
      content_(new QStackedWidget(this)), scroll_(new QScrollArea(content_)), list_(new HistoryList),
      empty_(new HistoryEmptyState(content_))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidgetResizable(false);
    scroll_->setWidget(list_);
    // The window's own background shows through the list.
    scroll_->viewport()->setAutoFillBackground(false);
    list_->setAutoFillBackground(false);
    scroll_->viewport()->installEventFilter(this);
    scroll_->setFocusPolicy(Qt::NoFocus);
    content_->addWidget(scroll_);
    content_->addWidget(empty_);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(columnSpacing);
    column->addWidget(makeHeader());
    column->addWidget(searchField_);
    column->addWidget(content_, 1);
    column->addWidget(makeFooter());

    connect(searchField_, &HistorySearchField::edited, this, &HistoryView::follow);
    connect(list_, &HistoryList::copyRequested, this, [this](const QString &text) { model_.copyAgain(text); });
    connect(list_, &HistoryList::pinToggled, &history_, &ClipboardHistoryStore::togglePin);
    connect(list_, &HistoryList::deleteRequested, &history_, &ClipboardHistoryStore::deleteItem);
    connect(list_, &HistoryList::rowsChanged, this, &HistoryView::updateTabOrder);
    connect(&history_, &ClipboardHistoryStore::itemsChanged, this, &HistoryView::follow);
    connect(&model_, &AppModel::phaseChanged, this, &HistoryView::followPhase);
    followPhase();
    follow();
}

HistoryView::~HistoryView()
{
    stopFolding();
}

QWidget *HistoryView::makeHeader()
{
    auto *header = new QWidget(this);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(headerSpacing);
    row->addWidget(new TrovMark(markSize, header), 0, Qt::AlignVCenter);

    auto *titles = new QVBoxLayout;
    titles->setSpacing(titleSpacing);
    ClampedLabel *title = oneLine(DesignTokens::font(DesignTokens::FontRole::panelTitle), Ink::primary, header);
    title->setText(QStringLiteral("Clipboard history"));
    count_ = oneLine(DesignTokens::font(DesignTokens::FontRole::body), Ink::secondary, header);
    count_->setObjectName(QStringLiteral("historyCount"));
    titles->addWidget(title);
    titles->addWidget(count_);
    row->addLayout(titles, 1);

    clearAll_ = new PlainButton(QStringLiteral("Clear all"), DesignTokens::font(DesignTokens::FontRole::body),
                                Ink::secondary, header);
    clearAll_->setObjectName(QStringLiteral("clearAll"));
    connect(clearAll_, &QAbstractButton::clicked, this, &HistoryView::confirmClearAll);
    row->addWidget(clearAll_, 0, Qt::AlignVCenter);
    return header;
}

QWidget *HistoryView::makeFooter()
{
    auto *footer = new QWidget(this);
    auto *row = new QHBoxLayout(footer);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(footerSpacing);
    row->addWidget(new SymbolLabel(QStringLiteral("lock"), QStringLiteral("On this Mac only"),
                                   DesignTokens::FontRole::footnote, Ink::secondary, footer));
    row->addStretch(1);
    ClampedLabel *never = oneLine(DesignTokens::font(DesignTokens::FontRole::footnote), Ink::secondary, footer);
    never->setText(QStringLiteral("Password-manager clips are never saved"));
    never->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    never->setFixedWidth(never->sizeHint().width());
    row->addWidget(never);
    return footer;
}

QString HistoryView::countText(qsizetype count)
{
    if (count == 0)
        return QStringLiteral("Nothing saved yet");
    return QStringLiteral("%1 %2 on this Mac")
        .arg(count)
        .arg(count == 1 ? QStringLiteral("item") : QStringLiteral("items"));
}

QString HistoryView::search() const
{
    return searchField_->text();
}

void HistoryView::follow()
{
    // A hidden list costs nothing: it catches up when it is shown.
    if (!isVisible())
        return;
    present();
    foldAhead();
}

void HistoryView::catchUp()
{
    // The bar as it will be drawn, so the list is measured at the width it
    // will have. The texts are folded for search only once the window is
    // open: folded ahead they would be held for a search that may never come.
    styleScrollBar();
    present();
}

void HistoryView::present()
{
    const QList<ClipboardHistoryItem> &stored = history_.items();
    if (stored.isEmpty())
        stopFolding();
    const QString typed = searchField_->text();
    const QList<ClipboardHistoryItem> found = search_.filter(stored, typed);
    count_->setText(countText(stored.size()));
    clearAll_->setVisible(!stored.isEmpty());
    // Measured at the width it is shown at, not at the one it had before.
    const int width = listWidth(found.size());
    if (list_->width() != width)
        list_->resize(width, list_->height());
    list_->present(found, QDateTime::currentDateTime());
    if (found.isEmpty()) {
        // The card tests the search as typed; the filter, the trimmed search.
        if (typed.isEmpty())
            empty_->showNothingSaved();
        else
            empty_->showNoMatches(typed);
        content_->setCurrentWidget(empty_);
    } else {
        content_->setCurrentWidget(scroll_);
    }
    fitList();
    updateTabOrder();
}

void HistoryView::foldAhead()
{
    // The few texts copied while the list is shown are folded by the first
    // keystroke: cheaper than looking through the store at every poll.
    constexpr qsizetype foldedByTheKeystroke = 16;
    if (foldingAhead_ || search_.cachedCount() + foldedByTheKeystroke >= history_.items().size())
        return;
    QHash<QUuid, QString> texts = search_.unfoldedTexts(history_.items());
    if (texts.isEmpty())
        return;
    foldingAhead_ = true;
    foldStop_ = std::stop_source();
    Detached::start(foldInBackground(std::move(texts), foldStop_.get_token()), "folding the history for search");
}

void HistoryView::stopFolding()
{
    foldStop_.request_stop();
    foldingAhead_ = false;
}

QCoro::Task<void> HistoryView::foldInBackground(QHash<QUuid, QString> texts, std::stop_token token)
{
    QPointer<HistoryView> self(this);
    auto fold = [texts = std::move(texts), token]() mutable {
        return ClipboardHistorySearch::foldedTexts(std::move(texts), token);
    };
    const QHash<QUuid, QString> folded = co_await Background::run(std::move(fold));
    // Stopped: hidden (a later showing folds again) or cleared, and a newer fold may be under way.
    if (!self || token.stop_requested())
        co_return;
    search_.keepFolded(folded);
    foldingAhead_ = false;
}

void HistoryView::followPhase()
{
    list_->setCopyEnabled(!model_.phase().isBusy());
}

int HistoryView::listWidth(qsizetype rows) const
{
    // Rows that overflow the view even at the shortest a row can be bring
    // the scroll bar: the list is then measured once, at the width it keeps,
    // not again when the bar appears. Otherwise the viewport's width, or
    // the scroll area's before it has placed its viewport.
    const qint64 shortest = qint64(HistoryRow::shortestHeight() + HistoryList::spacing) * rows;
    if (shortest > scroll_->height())
        return scroll_->width() - scroll_->verticalScrollBar()->sizeHint().width();
    return std::min(scroll_->viewport()->width(), scroll_->width());
}

// The list is as wide as the viewport and as tall as its rows: the scroll
// area keeps its offset while the list grows or shrinks around it.
void HistoryView::fitList()
{
    const int width = listWidth(list_->shownItems().size());
    list_->resize(width, list_->heightForWidth(width));
}

void HistoryView::updateTabOrder()
{
    QList<QWidget *> chain{clearAll_, searchField_->field(), searchField_->clearButton()};
    chain << list_->focusChain();
    for (qsizetype index = 1; index < chain.size(); ++index)
        setTabOrder(chain.at(index - 1), chain.at(index));
}

void HistoryView::confirmClearAll()
{
    if (alert_)
        return;
    auto *alert = new QMessageBox(this);
    alert->setObjectName(QStringLiteral("clearAllAlert"));
    alert->setIcon(QMessageBox::Warning);
    alert->setWindowTitle(clearTitle);
    alert->setTextFormat(Qt::PlainText);
    alert->setText(clearTitle);
    alert->setInformativeText(clearMessage);
    AlertLayout::fitToTexts(*alert);
    QPushButton *clear = alert->addButton(QStringLiteral("Clear all"), QMessageBox::DestructiveRole);
    clear->setObjectName(QStringLiteral("confirmClearAll"));
    // Return and Escape both keep the history: Cancel is the default, and a
    // focused "Clear all" does not take Return for itself.
    clear->setAutoDefault(false);
    QPushButton *cancel = alert->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelClearAll"));
    alert->setDefaultButton(cancel);
    alert->setEscapeButton(cancel);
    alert->setWindowModality(Qt::WindowModal);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    connect(alert, &QMessageBox::buttonClicked, this, [this, clear](QAbstractButton *button) {
        if (button == clear)
            history_.clearAll();
    });
    alert_ = alert;
    // Window-modal and without a nested event loop: the answer comes as a click.
    alert->open();
    cancel->setFocus(Qt::OtherFocusReason);
}

// A slim bar in the foreground colour, without arrows: the list's rows keep
// nearly all the width.
void HistoryView::styleScrollBar()
{
    const QColor handle = DesignTokens::withOpacity(DesignEnvironment::of(this).ink(Ink::primary), 0.25);
    const QString sheet =
        QStringLiteral("QScrollBar:vertical { width: 10px; background: transparent; margin: 0 0 0 3px; }"
                       "QScrollBar::handle:vertical { background: %1; border-radius: 3px; min-height: 28px; }"
                       "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
                       "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
            .arg(handle.name(QColor::HexArgb));
    // Setting the same sheet again would polish the bar anew at every showing.
    if (scroll_->verticalScrollBar()->styleSheet() != sheet)
        scroll_->verticalScrollBar()->setStyleSheet(sheet);
}

void HistoryView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    DesignEnvironment &environment = DesignEnvironment::of(this);
    environment.repaintOnChange(this);
    connect(&environment, &DesignEnvironment::changed, this, &HistoryView::styleScrollBar, Qt::UniqueConnection);
    styleScrollBar();
    // What was recorded while the window was hidden, dated afresh.
    follow();
}

void HistoryView::hideEvent(QHideEvent *event)
{
    // A confirmation does not outlive its window (hidden for a capture, or
    // closed): closing it answers Cancel, and nothing is cleared.
    if (alert_)
        alert_->close();
    stopFolding();
    QWidget::hideEvent(event);
}

bool HistoryView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == scroll_->viewport() && event->type() == QEvent::Resize)
        fitList();
    return QWidget::eventFilter(watched, event);
}

void HistoryView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), SystemColours::windowBackground(DesignEnvironment::of(this).isDark()));
}
