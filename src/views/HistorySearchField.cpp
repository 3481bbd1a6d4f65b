#include "views/HistorySearchField.h"

#include "support/design/DesignEnvironment.h"
#include "support/design/DesignTokens.h"
#include "support/design/Surface.h"
#include "support/design/SymbolButton.h"
#include "support/design/SymbolLibrary.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>

namespace {

using Ink = SystemColours::Ink;

constexpr int horizontalPadding = 12;
constexpr int verticalPadding = 9;
constexpr int spacing = 8;
constexpr double radius = 10;
constexpr int symbolSide = 14;
constexpr int clearSide = 18;
constexpr int clearSymbol = 14;

} // namespace

HistorySearchField::HistorySearchField(QWidget *parent)
    : QWidget(parent), field_(new QLineEdit(this)),
      clear_(new SymbolButton(QStringLiteral("xmark.circle.fill"), clearSide, clearSymbol, this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setProperty("symbol", QStringLiteral("magnifyingglass"));
    field_->setObjectName(QStringLiteral("historySearch"));
    field_->setFrame(false);
    field_->setFont(DesignTokens::font(DesignTokens::FontRole::control));
    field_->setPlaceholderText(QStringLiteral("Search saved text"));
    field_->setAccessibleName(QStringLiteral("Search saved text"));
    field_->setAttribute(Qt::WA_MacShowFocusRect, false);
    clear_->setObjectName(QStringLiteral("clearSearch"));
    clear_->setToolTip(QStringLiteral("Clear search"));
    clear_->setAccessibleName(QStringLiteral("Clear search"));
    clear_->setInk(Ink::secondary);
    clear_->hide();
    setFocusProxy(field_);
    connect(field_, &QLineEdit::textEdited, this, [this](const QString &text) {
        followText();
        Q_EMIT edited(text);
    });
    connect(clear_, &QAbstractButton::clicked, this, &HistorySearchField::clear);
    applyColours();
}

QString HistorySearchField::text() const
{
    return field_->text();
}

void HistorySearchField::clear()
{
    field_->clear();
    followText();
    field_->setFocus(Qt::OtherFocusReason);
    Q_EMIT edited(QString());
}

void HistorySearchField::followText()
{
    clear_->setVisible(!field_->text().isEmpty());
    layoutContent();
}

// The field follows the design environment's appearance, not the widget palette.
void HistorySearchField::applyColours()
{
    const DesignEnvironment &environment = DesignEnvironment::of(this);
    QPalette palette = field_->palette();
    palette.setColor(QPalette::Text, environment.ink(Ink::primary));
    palette.setColor(QPalette::PlaceholderText, environment.ink(Ink::secondary));
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Highlight, DesignTokens::withOpacity(environment.ink(Ink::teal), 0.35));
    palette.setColor(QPalette::HighlightedText, environment.ink(Ink::primary));
    field_->setPalette(palette);
}

QSize HistorySearchField::sizeHint() const
{
    const int line = std::max(QFontMetrics(field_->font()).height(), clearSide);
    return QSize(240, line + 2 * verticalPadding);
}

void HistorySearchField::layoutContent()
{
    const int inner = height() - 2 * verticalPadding;
    const int fieldLeft = horizontalPadding + symbolSide + spacing;
    int fieldRight = width() - horizontalPadding;
    if (clear_->isVisibleTo(this)) {
        clear_->move(fieldRight - clearSide, (height() - clearSide) / 2);
        fieldRight -= clearSide + spacing;
    }
    field_->setGeometry(fieldLeft, verticalPadding, std::max(0, fieldRight - fieldLeft), inner);
}

void HistorySearchField::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutContent();
}

void HistorySearchField::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    DesignEnvironment &environment = DesignEnvironment::of(this);
    environment.repaintOnChange(this);
    connect(&environment, &DesignEnvironment::changed, this, &HistorySearchField::applyColours, Qt::UniqueConnection);
    applyColours();
}

void HistorySearchField::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const DesignEnvironment &environment = DesignEnvironment::of(this);
    Surface::paintCard(painter, QRectF(rect()), radius, environment.ink(Ink::primary), 0.045, 0.09);
    const QRectF glass(horizontalPadding, (height() - symbolSide) / 2.0, symbolSide, symbolSide);
    SymbolLibrary::paint(painter, QStringLiteral("magnifyingglass"), glass, environment.ink(Ink::secondary),
                         SymbolLibrary::Weight::medium);
}
