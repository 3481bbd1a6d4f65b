#include "views/MenuBarView.h"

#include "services/MLXSetup.h"
#include "stores/AppModel.h"
#include "stores/ClipboardHistoryStore.h"
#include "stores/Preferences.h"
#include "support/design/CaptureButton.h"
#include "support/design/ClampedLabel.h"
#include "support/design/DesignAccessibility.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/DesignPalette.h"
#include "support/design/DesignTokens.h"
#include "support/design/Divider.h"
#include "support/design/LayoutOrder.h"
#include "support/design/PlainButton.h"
#include "support/design/PrivacyFootnote.h"
#include "support/design/StatusDot.h"
#include "support/design/SymbolButton.h"
#include "support/design/SymbolImage.h"
#include "support/design/SymbolLabel.h"
#include "support/design/TrovMark.h"
#include "views/CapturesCard.h"
#include "views/DropZone.h"
#include "views/EngineChips.h"
#include "views/HistoryButton.h"

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QShortcut>
#include <QVBoxLayout>

#include <optional>

namespace {

using Ink = SystemColours::Ink;

constexpr int headerSpacing = 11;
constexpr int titleSpacing = 3;
constexpr int statusSpacing = 5;
constexpr int statusDotSide = 5;
constexpr int hintSpacing = 8;
constexpr int hintTextSpacing = 5;
constexpr double dividerOpacity = 0.6;
constexpr double edgeOpacity = 0.12;

QHBoxLayout *row(QWidget *owner, int spacing = 0)
{
    auto *layout = new QHBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

// The path of a drag's first URL when it is a local file.
std::optional<QString> firstLocalFile(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return std::nullopt;
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return std::nullopt;
    return urls.first().toLocalFile();
}

// The panel only reads a dropped file: never a move, which would let the
// source delete its file once the drop is over.
bool offerCopy(QDropEvent *event)
{
    for (const Qt::DropAction action : {Qt::CopyAction, Qt::LinkAction}) {
        if (event->possibleActions() & action) {
            event->setDropAction(action);
            event->accept();
            return true;
        }
    }
    event->ignore();
    return false;
}

} // namespace

QString MenuBarView::statusText(const CapturePhase &phase)
{
    switch (phase.kind()) {
    case CapturePhase::idle:
    case CapturePhase::cancelled:
        return QStringLiteral("Ready when you are.");
    case CapturePhase::selecting:
        return QStringLiteral("Framing your words…");
    case CapturePhase::recognizing:
        return QStringLiteral("Reading on your Mac…");
    case CapturePhase::copied:
        return QStringLiteral("Copied and ready to paste.");
    case CapturePhase::failed:
        return QStringLiteral("Needs a little attention.");
    }
    return QString();
}

MenuBarView::MenuBarView(AppModel &model, Preferences &settings, MLXSetup &mlxSetup, ClipboardHistoryStore &history,
                         QWidget *parent)
    : QWidget(parent), model_(model), settings_(settings), mlxSetup_(mlxSetup), history_(history),
      capture_(new CaptureButton(QString(), this)), chips_(new EngineChips(this)),
      conflictLine_(new ClampedLabel(DesignTokens::font(DesignTokens::FontRole::caption), Ink::orange, this)),
      card_(new CapturesCard(this)), dropZone_(new DropZone(this)), historyButton_(new HistoryButton(this))
{
    setObjectName(QStringLiteral("menuBarPanel"));
    setAccessibleName(QStringLiteral("Ravelond"));
    setAcceptDrops(true);
    setFixedWidth(panelWidth);
    DesignPalette::follow(*this);

    capture_->setObjectName(QStringLiteral("captureButton"));
    capture_->setToolTip(QStringLiteral("The capture shortcut also cancels an active capture"));
    connect(capture_, &QAbstractButton::clicked, &model_, &AppModel::toggleCapture);
    // The application's own shortcuts, while the panel has the keyboard.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma), this), &QShortcut::activated, this,
            [this] { model_.openSettings(); });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this), &QShortcut::activated, this,
            &MenuBarView::quitRequested);

    chips_->setObjectName(QStringLiteral("engineChips"));
    connect(chips_, &EngineChips::chosen, &settings_, &Preferences::setEngine);
    conflictLine_->setObjectName(QStringLiteral("conflictLine"));
    conflictLine_->setText(QStringLiteral("This shortcut is in use. Pick another in Settings."));
    card_->setObjectName(QStringLiteral("capturesCard"));
    connect(card_, &CapturesCard::clearClicked, &model_, &AppModel::clearResults);
    connect(card_, &CapturesCard::reviewClicked, this, [this](const CaptureResult &result) { model_.review(result); });
    connect(card_, &CapturesCard::copyLastClicked, this, [this] { model_.copyAgain(shownLatestText_); });
    historyButton_->setObjectName(QStringLiteral("historyButton"));
    connect(historyButton_, &QAbstractButton::clicked, this, [this] { model_.openHistory(); });

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(sectionSpacing);
    column->addWidget(makeHeader());
    column->addWidget(capture_);
    column->addWidget(chips_);
    column->addWidget(makeSetupHint());
    column->addWidget(conflictLine_);
    column->addWidget(card_);
    column->addWidget(dropZone_);
    column->addWidget(historyButton_);
    column->addWidget(makeImageRow());
    column->addWidget(makePracticeRow());
    column->addWidget(new Divider(dividerOpacity, this));
    column->addWidget(makeFooter());

    connectModel();
    followPhase();
    followResults();
    followEngine(false);
    followHistory();
    followLineBreaks();
    followShortcut();
}

QWidget *MenuBarView::makeHeader()
{
    auto *header = new QWidget(this);
    QHBoxLayout *layout = row(header, headerSpacing);
    layout->addWidget(new TrovMark(36, header), 0, Qt::AlignVCenter);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(titleSpacing);
    auto *title = new ClampedLabel(DesignTokens::font(DesignTokens::FontRole::panelTitle), Ink::primary, header);
    title->setText(QStringLiteral("Ravelond"));
    title->setMaximumLines(1);
    texts->addWidget(title);
    auto *status = new QHBoxLayout;
    status->setSpacing(statusSpacing);
    // Orange after a failure, teal otherwise; its ink's name is in the `ink` property.
    statusDot_ = new StatusDot(statusDotSide, Ink::teal, header);
    statusDot_->setObjectName(QStringLiteral("statusDot"));
    status->addWidget(statusDot_, 0, Qt::AlignVCenter);
    statusText_ = new ClampedLabel(DesignTokens::font(DesignTokens::FontRole::body), Ink::secondary, header);
    statusText_->setObjectName(QStringLiteral("statusText"));
    statusText_->setMaximumLines(1);
    status->addWidget(statusText_, 1);
    texts->addLayout(status);
    layout->addLayout(texts, 1);

    settingsButton_ = new SymbolButton(QStringLiteral("slider.horizontal.3"), 24, 15, header);
    settingsButton_->setObjectName(QStringLiteral("settingsButton"));
    settingsButton_->setToolTip(QStringLiteral("Settings"));
    settingsButton_->setAccessibleName(QStringLiteral("Settings"));
    connect(settingsButton_, &QAbstractButton::clicked, this, [this] { model_.openSettings(); });
    layout->addWidget(settingsButton_, 0, Qt::AlignVCenter);
    return header;
}

QWidget *MenuBarView::makeSetupHint()
{
    setupHint_ = new QWidget(this);
    setupHint_->setObjectName(QStringLiteral("setupHint"));
    QHBoxLayout *layout = row(setupHint_, hintSpacing);
    layout->addWidget(
        new SymbolImage(QStringLiteral("arrow.down.circle"), 13, Ink::teal, SymbolLibrary::Weight::medium, setupHint_),
        0, Qt::AlignTop);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(hintTextSpacing);
    auto *text = new ClampedLabel(DesignTokens::font(DesignTokens::FontRole::body), Ink::primary, setupHint_);
    text->setText(QStringLiteral("Your local model needs a one-time setup."));
    texts->addWidget(text);
    auto *link = new PlainButton(QStringLiteral("Set up in Settings →"),
                                 DesignTokens::font(DesignTokens::FontRole::link), Ink::teal, setupHint_);
    link->setObjectName(QStringLiteral("setupLink"));
    connect(link, &QAbstractButton::clicked, this, [this] { model_.openSettings(); });
    texts->addWidget(link, 0, Qt::AlignLeft);
    layout->addLayout(texts, 1);
    return setupHint_;
}

QWidget *MenuBarView::makeImageRow()
{
    auto *imageRow = new QWidget(this);
    QHBoxLayout *layout = row(imageRow);
    openImage_ = new PlainButton(QStringLiteral("Open image…"), DesignTokens::font(DesignTokens::FontRole::body),
                                 Ink::secondary, imageRow);
    openImage_->setObjectName(QStringLiteral("openImageButton"));
    openImage_->setSymbol(QStringLiteral("photo"));
    connect(openImage_, &QAbstractButton::clicked, this, [this] {
        Q_EMIT dismissRequested();
        model_.chooseImage();
    });
    layout->addWidget(openImage_, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    keepLineBreaks_ = new QCheckBox(QStringLiteral("Keep line breaks"), imageRow);
    keepLineBreaks_->setObjectName(QStringLiteral("keepLineBreaks"));
    keepLineBreaks_->setFont(DesignTokens::font(DesignTokens::FontRole::smallControl));
    keepLineBreaks_->setFocusPolicy(Qt::TabFocus);
    // Only a click writes the setting: the model's own changes come back under a signal blocker.
    connect(keepLineBreaks_, &QAbstractButton::clicked, &settings_, &Preferences::setKeepLineBreaks);
    layout->addWidget(keepLineBreaks_, 0, Qt::AlignVCenter);
    return imageRow;
}

QWidget *MenuBarView::makePracticeRow()
{
    auto *practiceRow = new QWidget(this);
    QHBoxLayout *layout = row(practiceRow);
    practice_ = new PlainButton(QStringLiteral("Try a practice trov"), DesignTokens::font(DesignTokens::FontRole::body),
                                Ink::teal, practiceRow);
    practice_->setObjectName(QStringLiteral("practiceButton"));
    connect(practice_, &QAbstractButton::clicked, &model_, &AppModel::startPractice);
    layout->addWidget(practice_, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    layout->addWidget(new SymbolLabel(QStringLiteral("lock"), QStringLiteral("Private by design"),
                                      DesignTokens::font(DesignTokens::FontRole::caption), Ink::secondary, practiceRow),
                      0, Qt::AlignVCenter);
    return practiceRow;
}

QWidget *MenuBarView::makeFooter()
{
    auto *footer = new QWidget(this);
    QHBoxLayout *layout = row(footer, 6);
    layout->addWidget(new PrivacyFootnote(footer), 0, Qt::AlignVCenter);
    layout->addStretch(1);
    const struct {
        const char *name;
        QString symbol;
        QString toolTip;
        QString accessibleName;
    } buttons[] = {
        {"helpButton", QStringLiteral("questionmark.circle"), QStringLiteral("Welcome & help"),
         QStringLiteral("Welcome and help")},
        {"quitButton", QStringLiteral("power"), QStringLiteral("Quit Ravelond"), QStringLiteral("Quit Ravelond")},
    };
    for (const auto &each : buttons) {
        auto *button = new SymbolButton(each.symbol, 20, 13, footer);
        button->setObjectName(QLatin1String(each.name));
        button->setToolTip(each.toolTip);
        button->setAccessibleName(each.accessibleName);
        layout->addWidget(button, 0, Qt::AlignVCenter);
    }
    connect(footer->findChild<SymbolButton *>(QStringLiteral("helpButton")), &QAbstractButton::clicked, this,
            [this] { model_.openWelcome(); });
    connect(footer->findChild<SymbolButton *>(QStringLiteral("quitButton")), &QAbstractButton::clicked, this,
            &MenuBarView::quitRequested);
    return footer;
}

void MenuBarView::connectModel()
{
    connect(&model_, &AppModel::phaseChanged, this, &MenuBarView::followPhase);
    connect(&model_, &AppModel::resultsChanged, this, &MenuBarView::followResults);
    connect(&model_, &AppModel::shortcutConflictChanged, this, &MenuBarView::followShortcut);
    connect(&settings_, &Preferences::engineChanged, this, [this] { followEngine(true); });
    connect(&settings_, &Preferences::keepLineBreaksChanged, this, &MenuBarView::followLineBreaks);
    connect(&settings_, &Preferences::rememberSessionChanged, this, &MenuBarView::followResults);
    connect(&settings_, &Preferences::clipboardHistoryChanged, this, &MenuBarView::followHistory);
    connect(&settings_, &Preferences::shortcutChanged, this, &MenuBarView::followShortcut);
    connect(&mlxSetup_, &MLXSetup::isReadyChanged, this, &MenuBarView::followSetup);
    connect(&history_, &ClipboardHistoryStore::itemsChanged, this, &MenuBarView::followHistory);
}

void MenuBarView::followPhase()
{
    const CapturePhase phase = model_.phase();
    const bool busy = phase.isBusy();
    statusText_->setText(statusText(phase));
    const bool failed = phase.kind() == CapturePhase::failed;
    statusDot_->setInk(failed ? Ink::orange : Ink::teal);
    statusDot_->setProperty("ink", failed ? QStringLiteral("orange") : QStringLiteral("teal"));
    capture_->setText(busy ? QStringLiteral("Cancel capture") : QStringLiteral("Capture text"));
    capture_->setSymbol(busy ? QStringLiteral("xmark") : QStringLiteral("viewfinder"));
    chips_->setEnabled(!busy);
    card_->setBusy(busy);
    openImage_->setEnabled(!busy);
    practice_->setEnabled(!busy);
}

void MenuBarView::followResults()
{
    const std::optional<CaptureResult> latest = model_.latest();
    shownLatestText_ = latest ? latest->text : QString();
    card_->setHeader(settings_.rememberSession());
    card_->setResults(model_.results());
    card_->setVisible(latest.has_value());
    dropZone_->setVisible(!latest.has_value());
}

void MenuBarView::followEngine(bool animated)
{
    chips_->setSelected(settings_.engine(), animated && !reduceMotion());
    followSetup();
}

void MenuBarView::followSetup()
{
    const bool needsSetup = !mlxSetup_.isReady();
    chips_->setBadged(needsSetup);
    setupHint_->setVisible(needsSetup && settings_.engine() == OCREngine::mlx);
}

void MenuBarView::followHistory()
{
    historyButton_->setVisible(settings_.clipboardHistory());
    historyButton_->setCount(history_.items().size());
}

void MenuBarView::followLineBreaks()
{
    const QSignalBlocker blocker(keepLineBreaks_);
    keepLineBreaks_->setChecked(settings_.keepLineBreaks());
}

void MenuBarView::followShortcut()
{
    capture_->setAccessory(settings_.shortcut().label());
    conflictLine_->setVisible(model_.shortcutConflict());
}

void MenuBarView::keyPressEvent(QKeyEvent *event)
{
    const bool activates = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!activates || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    // Return reaches the panel itself only when the focused control has no
    // use for it: a check box takes it as a click, anything else (or no
    // focused control at all) presses the capture button.
    event->accept();
    if (event->isAutoRepeat())
        return;
    auto *focused = qobject_cast<QAbstractButton *>(focusWidget());
    QAbstractButton *pressed = focused && focused->isVisible() && focused->isEnabled() ? focused : capture_;
    pressed->click();
}

bool MenuBarView::reduceMotion() const
{
    return DesignEnvironment::of(this).reduceMotion();
}

QSize MenuBarView::sizeHint() const
{
    QLayout *column = layout();
    if (!column)
        return QSize(panelWidth, 0);
    const int height =
        column->hasHeightForWidth() ? column->totalHeightForWidth(panelWidth) : column->totalSizeHint().height();
    return QSize(panelWidth, height);
}

bool MenuBarView::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    // A section came or went: the host takes the new height.
    if (event->type() == QEvent::LayoutRequest)
        updateGeometry();
    return handled;
}

void MenuBarView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Each opening starts with no control focused: Return captures, Tab
    // reaches the first control. The panel itself takes the keys meanwhile.
    setFocus(Qt::OtherFocusReason);
    DesignEnvironment::of(this).repaintOnChange(this);
}

void MenuBarView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const DesignEnvironment &environment = DesignEnvironment::of(this);
    painter.fillRect(rect(), SystemColours::windowBackground(environment.isDark()));
    painter.setPen(DesignTokens::withOpacity(environment.ink(Ink::primary), edgeOpacity));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

void MenuBarView::setDropTarget(bool targeted)
{
    if (isDropTarget_ == targeted)
        return;
    isDropTarget_ = targeted;
    dropZone_->setTargeted(targeted, !reduceMotion());
}

void MenuBarView::dragEnterEvent(QDragEnterEvent *event)
{
    // The highlight follows any drag of a file, busy or not; the drop decides.
    if (!firstLocalFile(event->mimeData()) || !offerCopy(event))
        return;
    setDropTarget(true);
}

void MenuBarView::dragMoveEvent(QDragMoveEvent *event)
{
    if (firstLocalFile(event->mimeData()))
        offerCopy(event);
    else
        event->ignore();
}

void MenuBarView::dragLeaveEvent(QDragLeaveEvent *event)
{
    setDropTarget(false);
    QWidget::dragLeaveEvent(event);
}

void MenuBarView::dropEvent(QDropEvent *event)
{
    setDropTarget(false);
    const std::optional<QString> path = firstLocalFile(event->mimeData());
    if (model_.phase().isBusy() || !path) {
        event->ignore();
        return;
    }
    if (!offerCopy(event))
        return;
    // Not inside the drop: the import hides every surface, this panel's host
    // included, which must not happen while the drag machinery still holds it.
    QPointer<AppModel> model(&model_);
    QMetaObject::invokeMethod(
        &model_,
        [model, file = *path] {
            if (model)
                model->importImage(file);
        },
        Qt::QueuedConnection);
}

bool MenuBarView::focusNextPrevChild(bool next)
{
    return LayoutOrder::moveFocus(*this, next) || QWidget::focusNextPrevChild(next);
}
