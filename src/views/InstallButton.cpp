#include "views/InstallButton.h"

#include "support/design/ClampedLabel.h"
#include "support/design/DesignTokens.h"
#include "support/design/SymbolImage.h"

#include <QHBoxLayout>

namespace {

constexpr int symbolSide = 15;

} // namespace

InstallButton::InstallButton(QWidget *parent)
    : CaptureButton(QString(), parent),
      symbol_(new SymbolImage(QString(), symbolSide, SystemColours::Ink::white, SymbolLibrary::Weight::semibold, this)),
      title_(
          new ClampedLabel(DesignTokens::font(DesignTokens::FontRole::captureButton), SystemColours::Ink::white, this)),
      caption_(new ClampedLabel(DesignTokens::font(DesignTokens::FontRole::caption), SystemColours::Ink::white, this))
{
    title_->setObjectName(QStringLiteral("installTitle"));
    caption_->setObjectName(QStringLiteral("sizeCaption"));
    for (ClampedLabel *label : {title_, caption_}) {
        label->setMaximumLines(1);
        label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
    caption_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto *layout = new QHBoxLayout(this);
    const int horizontal = int(CaptureButtonStyle::horizontalPadding);
    const int vertical = int(CaptureButtonStyle::verticalPadding);
    layout->setContentsMargins(horizontal, vertical, horizontal, vertical);
    layout->addWidget(symbol_);
    layout->addWidget(title_, 1);
    layout->addWidget(caption_);
    // The button takes every click; its parts only show.
    for (QWidget *part :
         {static_cast<QWidget *>(symbol_), static_cast<QWidget *>(title_), static_cast<QWidget *>(caption_)})
        part->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void InstallButton::present(const QString &symbol, const QString &title, const QString &caption)
{
    symbol_->setSymbol(symbol);
    setProperty("symbol", symbol);
    title_->setText(title);
    setAccessibleName(title);
    caption_->setText(caption);
    caption_->setFixedWidth(caption_->sizeHint().width());
    caption_->setVisible(!caption.isEmpty());
}

QSize InstallButton::sizeHint() const
{
    const QSize text = CaptureButton::sizeHint();
    return QSize(text.width() + title_->sizeHint().width() + symbolSide, text.height());
}
