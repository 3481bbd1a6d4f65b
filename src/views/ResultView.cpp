#include "views/ResultView.h"

#include "models/ShortTime.h"

#include "foundation/Detached.h"
#include "models/TextProcessing.h"
#include "stores/AppModel.h"
#include "support/design/ClampedLabel.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/DesignPalette.h"
#include "support/design/DesignTokens.h"
#include "support/design/LayoutOrder.h"
#include "support/design/PrivacyFootnote.h"
#include "support/design/ReturnActivation.h"
#include "support/design/Surface.h"
#include "support/design/SymbolLibrary.h"
#include "support/design/TrovMark.h"
#include "support/design/TrovStyle.h"
#include "support/design/WindowFront.h"
#include "views/ResultEditor.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

using Ink = SystemColours::Ink;

constexpr int headerSpacing = 12;
constexpr int titleSpacing = 4;
constexpr double markSize = 38;
constexpr double editorRadius = 14;
constexpr int editorPadding = 14;
constexpr double editorLineSpacing = 5;
constexpr double editorFillOpacity = 0.025;
constexpr double editorBorderOpacity = 0.09;
constexpr int buttonSymbolSide = 14;
constexpr int buttonHeight = 28;
constexpr int buttonPadding = 14;
// How much of its tint a disabled Copy button keeps.
constexpr double disabledTint = 0.45;

// The editor's ground: a faint rounded field with a hairline, the editor
// inside it padded by 14.
class EditorField : public QWidget {
public:
    EditorField(QWidget *editor, QWidget *parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TranslucentBackground);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(editorPadding, editorPadding, editorPadding, editorPadding);
        layout->addWidget(editor);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        Surface::paintCard(painter, QRectF(rect()), editorRadius, DesignEnvironment::of(this).ink(Ink::primary),
                           editorFillOpacity, editorBorderOpacity);
    }
};

} // namespace

const QString ResultView::editorAccessibleName = QStringLiteral("Recognized text. Edit before copying.");
const QString ResultView::proposedFileName = QStringLiteral("Ravelond capture.txt");

QString ResultView::countsText(const QString &text)
{
    return QString::number(TextProcessing::characterCount(text)) + QStringLiteral(" characters · ") +
           QString::number(TextProcessing::wordCount(text)) + QStringLiteral(" words");
}

QString ResultView::metadataText(const CaptureResult &result)
{
    return result.engine.title() + QStringLiteral(" · ") + result.timing() + QStringLiteral(" · ") +
           ShortTime::text(result.date.time());
}

ResultView::ResultView(const CaptureResult &result, AppModel &model, QWidget *parent)
    : QWidget(parent), model_(&model), keptText_(result.text),
      editor_(
          new ResultEditor(result.text, DesignTokens::font(DesignTokens::FontRole::editor), editorLineSpacing, this)),
      copyReset_(new QTimer(this))
{
    setObjectName(QStringLiteral("resultView"));
    setMinimumSize(minimumContentSize);
    DesignPalette::follow(*this);
    editor_->setObjectName(QStringLiteral("editor"));
    editor_->setAccessibleName(editorAccessibleName);
    copyReset_->setSingleShot(true);
    copyReset_->setTimerType(Qt::PreciseTimer);
    connect(copyReset_, &QTimer::timeout, this, [this] { setCopied(false); });

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(spacing);
    column->addWidget(makeHeader(result));
    column->addWidget(new EditorField(editor_, this), 1);
    column->addWidget(makeActions());
    column->addWidget(new PrivacyFootnote(this), 0, Qt::AlignLeft);
    setTabOrder(editor_, save_);
    setTabOrder(save_, copy_);
    setFocusProxy(editor_);

    connect(editor_, &QTextEdit::textChanged, this, &ResultView::followText);
    connect(&model, &AppModel::phaseChanged, this, &ResultView::followPhase);
    followText();
}

ResultView::~ResultView()
{
    // The reset dies with the view, and the dialog with its window.
    copyReset_->stop();
    delete saveDialog_.data();
}

QWidget *ResultView::makeHeader(const CaptureResult &result)
{
    auto *header = new QWidget(this);
    auto *layout = new QHBoxLayout(header);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(headerSpacing);
    layout->addWidget(new TrovMark(markSize, header), 0, Qt::AlignVCenter);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(titleSpacing);
    auto *title = new ClampedLabel(DesignTokens::font(DesignTokens::FontRole::windowTitle), Ink::primary, header);
    title->setObjectName(QStringLiteral("title"));
    title->setText(QStringLiteral("Your words, ready to go."));
    title->setMaximumLines(1);
    texts->addWidget(title);
    auto *metadata = new ClampedLabel(DesignTokens::font(DesignTokens::FontRole::body), Ink::secondary, header);
    metadata->setObjectName(QStringLiteral("metadata"));
    metadata->setText(metadataText(result));
    metadata->setMaximumLines(1);
    texts->addWidget(metadata);
    layout->addLayout(texts, 1);
    return header;
}

QWidget *ResultView::makeActions()
{
    auto *actions = new QWidget(this);
    auto *layout = new QHBoxLayout(actions);
    layout->setContentsMargins(0, 0, 0, 0);
    counts_ = new ClampedLabel(DesignTokens::font(DesignTokens::FontRole::body), Ink::secondary, actions);
    counts_->setObjectName(QStringLiteral("counts"));
    counts_->setMaximumLines(1);
    layout->addWidget(counts_, 1, Qt::AlignVCenter);
    save_ = new QPushButton(QStringLiteral("Save as text…"), actions);
    save_->setObjectName(QStringLiteral("saveButton"));
    save_->setAutoDefault(false);
    ReturnActivation::install(*save_);
    connect(save_, &QPushButton::clicked, this, &ResultView::save);
    layout->addWidget(save_);
    copy_ = new QPushButton(actions);
    copy_->setObjectName(QStringLiteral("copyButton"));
    copy_->setAutoDefault(false);
    ReturnActivation::install(*copy_);
    copy_->setToolTip(QStringLiteral("Copy the edited text (Ctrl+Shift+C)"));
    connect(copy_, &QPushButton::clicked, this, &ResultView::copy);
    layout->addWidget(copy_);
    setCopied(true);
    // Wide enough for either label, so the row does not shift when it changes.
    for (QPushButton *button : {save_, copy_}) {
        button->setFont(DesignTokens::font(DesignTokens::FontRole::control));
        button->setFixedHeight(buttonHeight);
        button->setMinimumWidth(button->sizeHint().width() + buttonPadding);
    }
    setCopied(false);
    copy_->setMinimumWidth(std::max(copy_->minimumWidth(), copy_->sizeHint().width() + buttonPadding));
    return actions;
}

QFileDialog *ResultView::saveDialog() const
{
    return saveDialog_;
}

QString ResultView::text() const
{
    return editor_->text();
}

bool ResultView::hasUnsavedEdits() const
{
    return editor_->text() != keptText_;
}

void ResultView::followText()
{
    const QString current = text();
    counts_->setText(countsText(current));
    save_->setEnabled(!current.isEmpty());
    followPhase();
}

void ResultView::followPhase()
{
    const bool busy = model_ && model_->phase().isBusy();
    copy_->setEnabled(!editor_->isEmpty() && !busy && model_);
}

void ResultView::copy()
{
    if (!model_ || !model_->copyAgain(text()))
        return;
    setCopied(true);
    // Each copy restarts the wait.
    copyReset_->start(copiedFor);
}

void ResultView::setCopied(bool copied)
{
    copied_ = copied;
    copy_->setText(copied ? QStringLiteral("Copied") : QStringLiteral("Copy text"));
    // Bound to the button, so inert while it is disabled; again after every
    // new label, which would otherwise replace it with the label's mnemonic.
    copy_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    copy_->setProperty("symbol", copied ? QStringLiteral("checkmark") : QStringLiteral("doc.on.doc"));
    tintCopyButton();
}

void ResultView::tintCopyButton()
{
    if (!copy_)
        return;
    const bool dark = DesignEnvironment::of(this).isDark();
    // The prominent button: filled with teal, its label in the colour that reads on it.
    const QColor fill = TrovStyle::teal(dark);
    const QColor label = dark ? QColor(12, 38, 32) : QColor(Qt::white);
    QPalette palette = copy_->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Button, fill);
        palette.setColor(group, QPalette::ButtonText, label);
    }
    const QColor window = SystemColours::windowBackground(dark);
    const QColor faded = DesignPalette::shownOver(window, DesignTokens::withOpacity(fill, disabledTint));
    palette.setColor(QPalette::Disabled, QPalette::Button, faded);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText,
                     DesignPalette::shownOver(faded, DesignTokens::withOpacity(label, disabledTint)));
    copy_->setPalette(palette);
    const QString symbol = copy_->property("symbol").toString();
    QIcon icon = SymbolLibrary::icon(symbol, buttonSymbolSide, label, SymbolLibrary::Weight::medium);
    icon.addPixmap(SymbolLibrary::icon(symbol, buttonSymbolSide,
                                       palette.color(QPalette::Disabled, QPalette::ButtonText),
                                       SymbolLibrary::Weight::medium)
                       .pixmap(buttonSymbolSide),
                   QIcon::Disabled);
    copy_->setIcon(icon);
}

void ResultView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The appearance changed under the view: the tint follows it.
    if (event->type() == QEvent::PaletteChange)
        tintCopyButton();
}

void ResultView::save()
{
    if (saveDialog_) {
        WindowFront::bring(*saveDialog_);
        return;
    }
    // A window of its own beside the result window, not a sheet and not
    // modal; a child of the view, so it cannot outlive it.
    auto *dialog = new QFileDialog(this, QStringLiteral("Save as Text"));
    dialog->setObjectName(QStringLiteral("saveDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::NonModal);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setMimeTypeFilters({QStringLiteral("text/plain")});
    dialog->setDefaultSuffix(QStringLiteral("txt"));
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    dialog->setDirectory(QDir(documents).exists() ? documents : QDir::homePath());
    dialog->selectFile(proposedFileName);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &path) {
        if (!path.isEmpty())
            Detached::start(write(path, text()), "saving a capture as text");
    });
    saveDialog_ = dialog;
    DesignPalette::follow(*dialog);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

QCoro::Task<void> ResultView::write(QString path, QString text)
{
    QPointer<ResultView> self(this);
    if (!model_)
        co_return;
    const std::optional<QString> failure = co_await model_->saveText(path, text);
    // The window may have gone meanwhile: the file is written all the same.
    if (!self)
        co_return;
    if (failure)
        self->showSaveFailure(*failure);
    else
        self->keptText_ = text;
    Q_EMIT self->saveFinished(!failure);
}

void ResultView::showSaveFailure(const QString &description)
{
    auto *alert = new QMessageBox(QMessageBox::Warning, QStringLiteral("Ravelond"), description, QMessageBox::Ok, this);
    alert->setObjectName(QStringLiteral("saveFailedAlert"));
    alert->setTextFormat(Qt::PlainText);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::ApplicationModal);
    DesignPalette::follow(*alert);
    alert->show();
}

void ResultView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    DesignEnvironment::of(this).repaintOnChange(this);
    // A confirmation whose reset was cancelled while the window was away is stale.
    if (copied_ && !copyReset_->isActive())
        setCopied(false);
}

void ResultView::hideEvent(QHideEvent *event)
{
    // The window closed (a minimised window's hide is the system's own and changes nothing).
    if (!event->spontaneous()) {
        copyReset_->stop();
        if (saveDialog_)
            saveDialog_->close();
    }
    QWidget::hideEvent(event);
}

void ResultView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), SystemColours::windowBackground(DesignEnvironment::of(this).isDark()));
}

bool ResultView::focusNextPrevChild(bool next)
{
    return LayoutOrder::moveFocus(*this, next) || QWidget::focusNextPrevChild(next);
}
