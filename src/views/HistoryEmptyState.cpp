#include "views/HistoryEmptyState.h"

#include "support/design/ClampedLabel.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/DesignTokens.h"
#include "support/design/Surface.h"
#include "support/design/SymbolLibrary.h"

#include <QPainter>

#include <algorithm>

namespace {

using Ink = SystemColours::Ink;

constexpr double cardRadius = 14;
constexpr int cardPadding = 19;
constexpr int columnSpacing = 10;
constexpr int symbolSide = 25;
constexpr double symbolOpacity = 0.7;
constexpr int sideMargin = 16;

ClampedLabel *centredLabel(const QFont &font, Ink ink, const QString &name, QWidget *parent)
{
    auto *label = new ClampedLabel(font, ink, parent);
    label->setAlignment(Qt::AlignHCenter);
    label->setObjectName(name);
    // A search of any length is quoted; the card keeps to a few lines of it.
    label->setMaximumLines(4);
    return label;
}

} // namespace

const QString HistoryEmptyState::nothingSavedTitle = QStringLiteral("Copy some text, and it will wait here.");
const QString HistoryEmptyState::nothingSavedHint =
    QStringLiteral("Ravelond saves plain text you copy while history is on.");

HistoryEmptyState::HistoryEmptyState(QWidget *parent)
    : QWidget(parent), title_(centredLabel(DesignTokens::font(DesignTokens::FontRole::emphasis), Ink::primary,
                                           QStringLiteral("emptyTitle"), this)),
      hint_(centredLabel(DesignTokens::font(DesignTokens::FontRole::body), Ink::secondary, QStringLiteral("emptyHint"),
                         this))
{
    setObjectName(QStringLiteral("emptyState"));
    setAttribute(Qt::WA_TranslucentBackground);
    showNothingSaved();
}

QString HistoryEmptyState::noMatchesTitle(const QString &search)
{
    return QStringLiteral("No matches for \"%1\"").arg(search);
}

void HistoryEmptyState::showNothingSaved()
{
    setSymbol(QStringLiteral("clock.arrow.circlepath"));
    title_->setText(nothingSavedTitle);
    hint_->setText(nothingSavedHint);
    hint_->show();
    layoutColumn();
}

void HistoryEmptyState::showNoMatches(const QString &search)
{
    setSymbol(QStringLiteral("magnifyingglass"));
    title_->setText(noMatchesTitle(search));
    hint_->setText(QString());
    hint_->hide();
    layoutColumn();
}

QString HistoryEmptyState::title() const
{
    return title_->text();
}

QString HistoryEmptyState::hint() const
{
    return hint_->isHidden() ? QString() : hint_->text();
}

void HistoryEmptyState::setSymbol(const QString &symbol)
{
    symbol_ = symbol;
    setProperty("symbol", symbol);
    update();
}

// The column sits in the middle of the card: symbol, title, hint, 10 apart.
void HistoryEmptyState::layoutColumn()
{
    const int labelWidth = std::max(1, width() - 2 * sideMargin);
    const int titleHeight = title_->heightForWidth(labelWidth);
    const int hintHeight = hint_->isHidden() ? 0 : hint_->heightForWidth(labelWidth);
    const int column = symbolSide + columnSpacing + titleHeight + (hintHeight ? columnSpacing + hintHeight : 0);
    const int top = std::max(cardPadding, (height() - column) / 2);
    title_->setGeometry(sideMargin, top + symbolSide + columnSpacing, labelWidth, titleHeight);
    hint_->setGeometry(sideMargin, title_->geometry().bottom() + 1 + columnSpacing, labelWidth, hintHeight);
    update();
}

void HistoryEmptyState::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutColumn();
}

void HistoryEmptyState::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const DesignEnvironment &environment = DesignEnvironment::of(this);
    const QColor primary = environment.ink(Ink::primary);
    Surface::paintCard(painter, QRectF(rect()), cardRadius, primary, 0.025, 0.12, {4, 4});

    const double symbolTop = title_->y() - columnSpacing - symbolSide;
    const QRectF box((width() - symbolSide) / 2.0, symbolTop, symbolSide, symbolSide);
    SymbolLibrary::paint(painter, symbol_, box, DesignTokens::withOpacity(environment.ink(Ink::teal), symbolOpacity),
                         SymbolLibrary::Weight::light);
}
