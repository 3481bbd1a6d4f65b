#include "views/FeedbackView.h"

#include "stores/AppModel.h"
#include "support/design/ClampedLabel.h"
#include "support/design/CopySuccessGlyph.h"
#include "support/design/DesignAccessibility.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/DesignTokens.h"
#include "support/design/Divider.h"
#include "support/design/LayoutOrder.h"
#include "support/design/OrbitSpinner.h"
#include "support/design/PanelMaterial.h"
#include "support/design/QuietButton.h"
#include "support/design/ShortcutBadge.h"
#include "support/design/SoftShadow.h"
#include "support/design/SymbolButton.h"
#include "support/design/SymbolLabel.h"
#include "views/StatusIcon.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcut>
#include <QTimer>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace {

using Ink = SystemColours::Ink;
using Role = DesignTokens::FontRole;

constexpr int headerSpacing = 14;
constexpr int textSpacing = 5;
constexpr int stackSpacing = 16;
// How far the space above the divider may give way to a subtitle that needs
// the room, in a face taller than the card was drawn for.
constexpr int tightestHeaderGap = 6;
constexpr int dismissSide = 16;
constexpr double subtitleLineSpacing = 3;
constexpr int subtitleLines = 2;
constexpr int failedSubtitleLines = 5;
constexpr double glyphStartScale = 0.85;
// Reaches 10 points out at the sides, 8 above and 12 below: within the margin.
constexpr double panelShadowRadius = 6;
constexpr double panelShadowOffset = 2;
// The divider between the header and the actions.
constexpr double dividerOpacity = 0.55;

QString eyebrowOf(FeedbackView::Presentation presentation)
{
    switch (presentation) {
    case FeedbackView::Presentation::recognising:
        return QStringLiteral("ON YOUR MAC");
    case FeedbackView::Presentation::copied:
        return QStringLiteral("READY TO PASTE");
    case FeedbackView::Presentation::cleared:
        return QStringLiteral("ALL CLEAR");
    case FeedbackView::Presentation::failed:
        return QStringLiteral("A SMALL DETOUR");
    }
    return QString();
}

QString titleOf(FeedbackView::Presentation presentation)
{
    switch (presentation) {
    case FeedbackView::Presentation::recognising:
        return QStringLiteral("Finding the words…");
    case FeedbackView::Presentation::copied:
        return QStringLiteral("Copied. All yours.");
    case FeedbackView::Presentation::cleared:
        return QStringLiteral("No rush. Try another trov.");
    case FeedbackView::Presentation::failed:
        return QStringLiteral("Let’s get you back on track.");
    }
    return QString();
}

QHBoxLayout *rowLayout(QWidget *row, int spacing)
{
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

QuietButton *quietButton(const QString &text, const QString &name, Ink ink, QWidget *parent)
{
    auto *button = new QuietButton(text, parent);
    button->setObjectName(name);
    button->setInk(ink);
    return button;
}

} // namespace

QSize FeedbackView::cardSize(bool failed)
{
    return QSize(cardWidth, failed ? failedCardHeight : cardHeight);
}

FeedbackView::Presentation FeedbackView::presentationOf(const CapturePhase &phase)
{
    switch (phase.kind()) {
    case CapturePhase::recognizing:
        return Presentation::recognising;
    case CapturePhase::copied:
        return Presentation::copied;
    case CapturePhase::failed:
        return Presentation::failed;
    case CapturePhase::idle:
    case CapturePhase::selecting:
    case CapturePhase::cancelled:
        return Presentation::cleared;
    }
    return Presentation::cleared;
}

QString FeedbackView::elapsedText(const std::optional<QDateTime> &start, const QDateTime &now)
{
    if (!start || !start->isValid() || !now.isValid())
        return QString();
    const qint64 milliseconds = start->msecsTo(now);
    if (milliseconds < 1000)
        return QString();
    return QStringLiteral("· %1s").arg(milliseconds / 1000);
}

FeedbackView::FeedbackView(AppModel &model, QWidget *parent)
    : QWidget(parent), model_(&model), shown_(model.phase()), clock_([] { return QDateTime::currentDateTime(); }),
      material_(new PanelMaterial(this, DesignTokens::panelRadius)),
      eyebrow_(new ClampedLabel(Role::eyebrow, Ink::teal, this)),
      title_(new ClampedLabel(Role::cardTitle, Ink::primary, this)),
      subtitle_(new ClampedLabel(Role::body, Ink::secondary, this)),
      dismissButton_(new SymbolButton(QStringLiteral("xmark"), dismissSide, 8, this)),
      divider_(new Divider(dividerOpacity, this)), ticker_(new QTimer(this))
{
    DesignAccessibility::markAsGroup(*this);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::ClickFocus);
    material_->setShapesWindow(true);
    eyebrow_->setObjectName(QStringLiteral("eyebrow"));
    title_->setObjectName(QStringLiteral("title"));
    subtitle_->setObjectName(QStringLiteral("subtitle"));
    subtitle_->setExtraLineSpacing(subtitleLineSpacing);
    // Wrapped in a wide face, the title keeps no word alone on its last line.
    title_->setBalancedLines(true);
    dismissButton_->setObjectName(QStringLiteral("dismissButton"));
    dismissButton_->setToolTip(QStringLiteral("Dismiss"));
    dismissButton_->setAccessibleName(QStringLiteral("Dismiss notification"));
    connect(dismissButton_, &QAbstractButton::clicked, this, &FeedbackView::dismiss);
    // Escape works wherever the focus is in the panel, the panel itself included.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &FeedbackView::dismiss);
    escape->setContext(Qt::WindowShortcut);

    ticker_->setSingleShot(true);
    ticker_->setTimerType(Qt::PreciseTimer);
    connect(ticker_, &QTimer::timeout, this, &FeedbackView::tick);

    connect(&model, &AppModel::phaseChanged, this, &FeedbackView::phaseChanged);
    connect(&model, &AppModel::copySummaryChanged, this, [this] {
        if (presentation() == Presentation::copied)
            showTexts(false);
    });
    connect(&model, &AppModel::lastErrorChanged, this, [this] {
        if (presentation() == Presentation::failed)
            showTexts(false);
    });
    connect(&model, &AppModel::resultsChanged, this, [this] {
        if (presentation() == Presentation::copied)
            rebuildActions();
    });
    connect(&model, &AppModel::recognitionStartedAtChanged, this, &FeedbackView::updateTicker);
    present(shown_, false);
}

FeedbackView::~FeedbackView() = default;

void FeedbackView::setClock(std::function<QDateTime()> clock)
{
    clock_ = std::move(clock);
    updateTicker();
}

QSize FeedbackView::sizeHint() const
{
    return cardSize(shown_);
}

void FeedbackView::phaseChanged(const CapturePhase &phase)
{
    // Idle comes with a dismissal, while the card fades out, and at the start
    // of a retry, just before the next phase: both keep what the card shows.
    if (phase.kind() == CapturePhase::idle)
        return;
    present(phase, true);
}

void FeedbackView::present(const CapturePhase &phase, bool animated)
{
    const bool glyphChanges = !glyph_ || !(phase == shown_);
    const QSize previousSize = sizeHint();
    shown_ = phase;
    showTexts(animated);
    rebuildActions();
    if (glyphChanges)
        replaceGlyph(animated);
    updateTicker();
    layoutCard();
    if (animated && (glyphChanges || sizeHint() != previousSize))
        Q_EMIT presentationChanged();
}

QString FeedbackView::subtitle() const
{
    switch (presentation()) {
    case Presentation::recognising:
        return shown_.engine() == OCREngine::mlx
                   ? QStringLiteral("Reading with your local model. The first trov can take a moment.")
                   : QStringLiteral("Turning a little piece of your screen into something useful.");
    case Presentation::copied:
        return model_ ? model_->copySummary() : QString();
    case Presentation::cleared:
        return QStringLiteral("Nothing was copied or replaced.");
    case Presentation::failed:
        return model_ ? model_->lastError() : QString();
    }
    return QString();
}

void FeedbackView::showTexts(bool animated)
{
    const Presentation shown = presentation();
    const bool still = DesignEnvironment::of(this).reduceMotion();
    eyebrow_->setText(eyebrowOf(shown));
    title_->setText(titleOf(shown), animated ? (still ? DesignTokens::crossFadeMs : DesignTokens::cardChangeMs) : 0);
    subtitle_->setText(subtitle());
    layoutCard();
}

void FeedbackView::rebuildActions()
{
    if (actions_) {
        // The row may be the sender of the click that brought this change: it
        // goes once the click is over, nameless so it is not taken for the new one.
        actions_->hide();
        for (QWidget *child : actions_->findChildren<QWidget *>())
            child->setObjectName(QString());
        actions_->deleteLater();
    }
    elapsed_ = nullptr;
    actions_ = makeActions();
    actions_->show();
    layoutCard();
}

QWidget *FeedbackView::makeActions()
{
    switch (presentation()) {
    case Presentation::recognising:
        return recognisingActions();
    case Presentation::copied:
        return copiedActions();
    case Presentation::failed:
        return failedActions();
    case Presentation::cleared:
        return clearedActions();
    }
    return clearedActions();
}

QWidget *FeedbackView::recognisingActions()
{
    auto *row = new QWidget(this);
    QHBoxLayout *layout = rowLayout(row, 7);
    const OCREngine engine = shown_.engine();
    layout->addWidget(new SymbolLabel(engine.symbol(), engine.title(), Role::rowLabel, Ink::secondary, row));
    elapsed_ = new ClampedLabel(Role::rowLabel, Ink::secondary, row);
    elapsed_->setObjectName(QStringLiteral("elapsed"));
    elapsed_->setMaximumLines(1);
    elapsed_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    DesignAccessibility::hide(*elapsed_);
    layout->addWidget(elapsed_);
    layout->addStretch(1);
    QuietButton *cancel = quietButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"), Ink::secondary, row);
    cancel->setToolTip(QStringLiteral("You can also press the capture shortcut again"));
    connect(cancel, &QAbstractButton::clicked, this, [this] {
        if (model_)
            model_->cancel();
    });
    layout->addWidget(cancel);
    return row;
}

QWidget *FeedbackView::copiedActions()
{
    auto *row = new QWidget(this);
    QHBoxLayout *layout = rowLayout(row, 8);
    layout->addWidget(new ShortcutBadge(QStringLiteral("⌘ V"), row));
    auto *hint = new ClampedLabel(Role::rowLabel, Ink::secondary, row);
    hint->setText(QStringLiteral("Paste anywhere"));
    hint->setMaximumLines(1);
    hint->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    layout->addWidget(hint);
    layout->addStretch(1);
    if (model_ && model_->latest()) {
        QuietButton *review =
            quietButton(QStringLiteral("Review text"), QStringLiteral("reviewButton"), Ink::teal, row);
        review->setSymbol(QStringLiteral("arrow.up.right"));
        connect(review, &QAbstractButton::clicked, this, [this] {
            if (!model_)
                return;
            model_->reviewLatest();
            model_->dismissFeedback();
        });
        layout->addWidget(review);
    }
    return row;
}

QWidget *FeedbackView::failedActions()
{
    auto *row = new QWidget(this);
    QHBoxLayout *layout = rowLayout(row, 8);
    if (model_ && model_->failureNeedsSettings()) {
        QuietButton *settings =
            quietButton(QStringLiteral("Settings…"), QStringLiteral("settingsButton"), Ink::teal, row);
        connect(settings, &QAbstractButton::clicked, this, [this] {
            if (!model_)
                return;
            QPointer<AppModel> model = model_;
            model->dismissFeedback();
            if (model)
                model->openSettings();
        });
        layout->addWidget(settings);
    } else {
        QuietButton *retry = quietButton(QStringLiteral("Try again"), QStringLiteral("retryButton"), Ink::teal, row);
        connect(retry, &QAbstractButton::clicked, this, [this] {
            if (model_)
                model_->retryLastOperation();
        });
        layout->addWidget(retry);
    }
    QuietButton *open =
        quietButton(QStringLiteral("Open image…"), QStringLiteral("openImageButton"), Ink::primary, row);
    connect(open, &QAbstractButton::clicked, this, [this] {
        if (model_)
            model_->chooseImage();
    });
    layout->addWidget(open);
    layout->addStretch(1);
    return row;
}

QWidget *FeedbackView::clearedActions()
{
    auto *row = new QWidget(this);
    QHBoxLayout *layout = rowLayout(row, 8);
    layout->addWidget(new SymbolLabel(QStringLiteral("checkmark.shield"), QStringLiteral("Your clipboard is unchanged"),
                                      Role::caption, Ink::secondary, row));
    layout->addStretch(1);
    QuietButton *retry = quietButton(QStringLiteral("Try again"), QStringLiteral("retryButton"), Ink::primary, row);
    connect(retry, &QAbstractButton::clicked, this, [this] {
        if (model_)
            model_->retryLastOperation();
    });
    layout->addWidget(retry);
    return row;
}

GlyphView *FeedbackView::makeGlyph()
{
    switch (presentation()) {
    case Presentation::recognising:
        return new OrbitSpinner(this);
    case Presentation::copied:
        return new CopySuccessGlyph(this);
    case Presentation::failed:
        return new StatusIcon(QStringLiteral("exclamationmark"), Ink::orange, this);
    case Presentation::cleared:
        return new StatusIcon(QStringLiteral("arrow.uturn.backward"), Ink::secondary, this);
    }
    return new StatusIcon(QStringLiteral("arrow.uturn.backward"), Ink::secondary, this);
}

void FeedbackView::replaceGlyph(bool animated)
{
    finishGlyphTransition();
    GlyphView *leaving = glyph_;
    glyph_ = makeGlyph();
    glyph_->setObjectName(QStringLiteral("glyph"));
    glyph_->show();
    if (!leaving)
        return;
    leaving->setObjectName(QString());
    if (!animated) {
        delete leaving;
        return;
    }
    // The new glyph grows in from 0.85 as the old one shrinks away; under
    // Reduce Motion (read now) the two only cross-fade.
    const bool still = DesignEnvironment::of(this).reduceMotion();
    const double startScale = still ? 1 : glyphStartScale;
    leavingGlyph_ = leaving;
    glyph_->setTransition(startScale, 0);
    auto *transition = new QVariantAnimation(this);
    transition->setStartValue(0.0);
    transition->setEndValue(1.0);
    transition->setDuration(still ? DesignTokens::crossFadeMs : DesignTokens::cardChangeMs);
    transition->setEasingCurve(DesignTokens::easeOut());
    GlyphView *arriving = glyph_;
    connect(transition, &QVariantAnimation::valueChanged, this, [this, arriving, startScale](const QVariant &value) {
        const double share = value.toDouble();
        arriving->setTransition(startScale + (1 - startScale) * share, share);
        if (leavingGlyph_)
            leavingGlyph_->setTransition(1 - (1 - startScale) * share, 1 - share);
    });
    connect(transition, &QVariantAnimation::finished, this, &FeedbackView::finishGlyphTransition);
    glyphTransition_ = transition;
    transition->start(QAbstractAnimation::DeleteWhenStopped);
}

void FeedbackView::finishGlyphTransition()
{
    if (glyphTransition_)
        glyphTransition_->stop();
    delete leavingGlyph_.data();
    if (glyph_)
        glyph_->setTransition(1, 1);
}

void FeedbackView::layoutCard()
{
    const QRect card = rect().adjusted(margin, margin, -margin, -margin);
    material_->setGeometry(card);
    material_->lower();
    const QRect content = card.adjusted(padding, padding, -padding, -padding);
    const int glyphSide = GlyphView::side;
    const int textLeft = content.left() + glyphSide + headerSpacing;
    // The text column ends where the flexible space before the dismiss button begins.
    const int textWidth = std::max(0, content.width() - glyphSide - dismissSide - 3 * headerSpacing);
    const int eyebrowHeight = eyebrow_->heightForWidth(textWidth);
    const int titleHeight = title_->heightForWidth(textWidth);
    const int actionsHeight = actions_ ? actions_->sizeHint().height() : 0;
    const int belowHeader = stackSpacing + 1 + stackSpacing + actionsHeight;
    const int give = stackSpacing - tightestHeaderGap;
    fitSubtitle(content.height() + give - belowHeader - eyebrowHeight - titleHeight - 2 * textSpacing);
    const int subtitleHeight = subtitle_->heightForWidth(textWidth);
    const int textHeight = eyebrowHeight + textSpacing + titleHeight + textSpacing + subtitleHeight;
    const int headerHeight = std::max({glyphSide, textHeight, dismissSide});

    // The flexible space between header and divider takes up any slack, and
    // the space above the divider gives way next; with none left (not even
    // one line of subtitle fits) the content grows into the padding, equally
    // above and below.
    const int natural = headerHeight + belowHeader;
    const int overflow = std::max(0, natural - content.height() - give);
    const int top = content.top() - overflow / 2;
    const int bottom = content.bottom() + 1 + (overflow - overflow / 2);

    const QRect glyphFrame(content.left(), top, glyphSide, glyphSide);
    if (glyph_)
        glyph_->setGeometry(glyphFrame);
    if (leavingGlyph_)
        leavingGlyph_->setGeometry(glyphFrame);
    eyebrow_->setGeometry(textLeft, top, textWidth, eyebrowHeight);
    title_->setGeometry(textLeft, top + eyebrowHeight + textSpacing, textWidth, titleHeight);
    subtitle_->setGeometry(textLeft, title_->geometry().bottom() + 1 + textSpacing, textWidth, subtitleHeight);
    dismissButton_->move(content.right() + 1 - dismissSide, top);
    if (actions_)
        actions_->setGeometry(content.left(), bottom - actionsHeight, content.width(), actionsHeight);
    divider_->setGeometry(content.left(), bottom - actionsHeight - stackSpacing - 1, content.width(), 1);
}

void FeedbackView::fitSubtitle(int room)
{
    // As many lines as the presentation shows, or as the fixed card still
    // holds in a face taller or wider (a title wrapped) than it was drawn for.
    const int shown = presentation() == Presentation::failed ? failedSubtitleLines : subtitleLines;
    const int lines = std::min(shown, subtitle_->linesWithin(room));
    if (subtitle_->maximumLines() != lines)
        subtitle_->setMaximumLines(lines);
}

void FeedbackView::updateTicker()
{
    const bool counting = presentation() == Presentation::recognising && isVisible() && elapsed_;
    if (!counting) {
        ticker_->stop();
        if (elapsed_)
            elapsed_->setText(QString());
        return;
    }
    tick();
}

void FeedbackView::tick()
{
    if (!elapsed_ || !model_)
        return;
    const std::optional<QDateTime> start = model_->recognitionStartedAt();
    const QDateTime now = clock_();
    elapsed_->setText(elapsedText(start, now));
    elapsed_->setFixedWidth(elapsed_->sizeHint().width());
    // The next tick lands just after the next whole second since the start,
    // so the count changes when a second is complete.
    int delay = 1000;
    if (start && start->isValid() && now.isValid()) {
        const qint64 elapsed = start->msecsTo(now);
        delay = elapsed < 0 ? 1000 : int(1000 - elapsed % 1000) + 5;
    }
    ticker_->start(delay);
}

void FeedbackView::enterEvent(QEnterEvent *event)
{
    reportHover(true);
    QWidget::enterEvent(event);
}

void FeedbackView::leaveEvent(QEvent *event)
{
    reportHover(false);
    QWidget::leaveEvent(event);
}

void FeedbackView::reportHover(bool hovered)
{
    if (hovered_ == hovered)
        return;
    hovered_ = hovered;
    if (model_)
        model_->setFeedbackHovered(hovered);
}

void FeedbackView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    DesignEnvironment::of(this).repaintOnChange(this);
    updateTicker();
}

void FeedbackView::hideEvent(QHideEvent *event)
{
    // Gone from the screen: the pointer counts as gone, and nothing ticks.
    hovered_ = false;
    if (model_)
        model_->setFeedbackHovered(false);
    ticker_->stop();
    finishGlyphTransition();
    QWidget::hideEvent(event);
}

void FeedbackView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        dismiss();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FeedbackView::paintEvent(QPaintEvent *)
{
    // The panel's drop shadow, within the margin around the card. Without a
    // compositor the window is cut to the card and nothing would show.
    const DesignEnvironment &environment = DesignEnvironment::of(this);
    if (environment.opaqueSurfaces())
        return;
    QPainter painter(this);
    const QColor shade = DesignTokens::withOpacity(Qt::black, environment.isDark() ? 0.32 : 0.16);
    SoftShadow::paintRoundedRect(painter, QRectF(material_->geometry()), DesignTokens::panelRadius, shade,
                                 panelShadowRadius, QPointF(0, panelShadowOffset));
}

void FeedbackView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutCard();
}

void FeedbackView::dismiss()
{
    if (model_)
        model_->dismissFeedback();
}

bool FeedbackView::focusNextPrevChild(bool next)
{
    return LayoutOrder::moveFocus(*this, next) || QWidget::focusNextPrevChild(next);
}
