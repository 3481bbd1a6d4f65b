#include "views/WelcomeView.h"

#include "stores/AppModel.h"
#include "stores/Preferences.h"
#include "support/design/CaptureButton.h"
#include "support/design/ClampedLabel.h"
#include "support/design/DesignAccessibility.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/DesignTokens.h"
#include "support/design/LayoutOrder.h"
#include "support/design/PlainButton.h"
#include "support/design/PrivacyFootnote.h"
#include "support/design/ShortcutBadge.h"
#include "support/design/SoftShadow.h"
#include "support/design/TrovMark.h"
#include "support/design/TrovStyle.h"
#include "views/CaptureIllustration.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QPropertyAnimation>
#include <QVBoxLayout>

#include <algorithm>

namespace {

using Ink = SystemColours::Ink;

constexpr int leftPadding = 32;
constexpr int leftSpacing = 24;
constexpr int rightPadding = 24;
constexpr int rightSpacing = 22;
constexpr int brandMark = 32;
constexpr int brandSpacing = 10;
constexpr int headlineSpacing = 12;
constexpr double sublineLineSpacing = 4;
constexpr int stepsSpacing = 13;
constexpr int stepSpacing = 11;
constexpr int stepBadge = 24;
constexpr int actionsSpacing = 12;
constexpr int linksSpacing = 14;
constexpr int eyebrowDot = 5;
constexpr int eyebrowSpacing = 5;
constexpr int reminderSpacing = 8;
constexpr double glowDiameter = 250;
constexpr double glowBlur = 48;
constexpr QPointF glowOffset{50, -90};

ClampedLabel *label(const QString &text, const QFont &font, Ink ink, QWidget *parent, int lines = 0)
{
    auto *label = new ClampedLabel(font, ink, parent);
    label->setMaximumLines(lines);
    label->setText(text);
    label->growWithLines();
    return label;
}

// A one-line label exactly as wide as its text.
ClampedLabel *snugLabel(const QString &text, const QFont &font, Ink ink, QWidget *parent)
{
    ClampedLabel *snug = label(text, font, ink, parent, 1);
    snug->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    snug->setFixedSize(snug->sizeHint());
    return snug;
}

// A step's number in a faint mint circle.
class StepNumber : public QWidget {
public:
    StepNumber(const QString &number, QWidget *parent) : QWidget(parent), number_(number)
    {
        DesignAccessibility::markAsText(*this);
        setAccessibleName(number);
        setAttribute(Qt::WA_TranslucentBackground);
        setFixedSize(stepBadge, stepBadge);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(DesignTokens::withOpacity(TrovStyle::mint(), 0.1));
        painter.drawEllipse(QRectF(rect()));
        painter.setFont(DesignTokens::font(DesignTokens::FontRole::stepNumber));
        painter.setPen(DesignEnvironment::of(this).ink(Ink::teal));
        painter.drawText(QRectF(rect()), Qt::AlignCenter, number_);
    }

private:
    QString number_;
};

QWidget *step(const QString &number, const QString &title, const QString &detail, QWidget *parent)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(stepSpacing);
    layout->addWidget(new StepNumber(number, row), 0, Qt::AlignVCenter);
    layout->addWidget(snugLabel(title, DesignTokens::font(DesignTokens::FontRole::stepTitle), Ink::primary, row), 0,
                      Qt::AlignVCenter);
    // The rest of the row: a wide face wraps the detail rather than cut it.
    layout->addWidget(label(detail, DesignTokens::font(DesignTokens::FontRole::body), Ink::secondary, row), 1,
                      Qt::AlignVCenter);
    return row;
}

// The right-hand panel: a mint-to-cyan wash with a soft glow, and in its
// middle the eyebrow, the illustration and the shortcut reminder.
class Showcase : public QWidget {
public:
    Showcase(CaptureIllustration *illustration, ShortcutBadge *badge, QWidget *parent)
        : QWidget(parent), illustration_(illustration), badge_(badge),
          eyebrow_(snugLabel(QStringLiteral("FROM PIXELS TO POSSIBILITIES"),
                             DesignTokens::font(DesignTokens::FontRole::showcaseEyebrow), Ink::secondary, this)),
          reminder_(snugLabel(QStringLiteral("Always a shortcut away."),
                              DesignTokens::font(DesignTokens::FontRole::reminder), Ink::primary, this))
    {
        setAttribute(Qt::WA_TranslucentBackground);
        illustration_->setParent(this);
        badge_->setParent(this);
        setFixedWidth(WelcomeView::rightWidth);
    }

    void arrange()
    {
        const QRect card(QPoint(), CaptureIllustration::cardSize);
        const int eyebrowWidth = eyebrowDot + eyebrowSpacing + eyebrow_->width();
        const QSize badge = badge_->sizeHint();
        const int column = eyebrow_->height() + rightSpacing + card.height() + rightSpacing + reminder_->height() +
                           reminderSpacing + badge.height();
        const int top = std::max(rightPadding, (height() - column) / 2);
        const int middle = width() / 2;
        eyebrowLeft_ = middle - eyebrowWidth / 2;
        eyebrow_->move(eyebrowLeft_ + eyebrowDot + eyebrowSpacing, top);
        const int cardTop = eyebrow_->geometry().bottom() + 1 + rightSpacing;
        const QMargins overhang = CaptureIllustration::overhang();
        illustration_->move(middle - card.width() / 2 - overhang.left(), cardTop - overhang.top());
        const int reminderTop = cardTop + card.height() + rightSpacing;
        reminder_->move(middle - reminder_->width() / 2, reminderTop);
        badge_->setGeometry(middle - badge.width() / 2, reminderTop + reminder_->height() + reminderSpacing,
                            badge.width(), badge.height());
        update();
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QWidget::resizeEvent(event);
        arrange();
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        // Drawn again only when it looks different: the band's frames repaint strips of it.
        painter.drawPixmap(0, 0, backdrop());
        const DesignEnvironment &environment = DesignEnvironment::of(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(environment.ink(Ink::teal));
        const double dotTop = eyebrow_->y() + (eyebrow_->height() - eyebrowDot) / 2.0;
        painter.drawEllipse(QRectF(eyebrowLeft_, dotTop, eyebrowDot, eyebrowDot));
    }

private:
    // The wash and the glow, at this size, scale and appearance.
    const QPixmap &backdrop()
    {
        const DesignEnvironment &environment = DesignEnvironment::of(this);
        const qreal ratio = devicePixelRatioF();
        const QString key = QStringLiteral("%1x%2@%3 %4 %5")
                                .arg(width())
                                .arg(height())
                                .arg(ratio)
                                .arg(environment.isDark())
                                .arg(environment.ink(Ink::primary).rgba());
        if (key == backdropKey_)
            return backdrop_;
        backdrop_ = QPixmap((QSizeF(size()) * ratio).toSize());
        backdrop_.setDevicePixelRatio(ratio);
        backdrop_.fill(Qt::transparent);
        QPainter painter(&backdrop_);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF frame(rect());
        QLinearGradient wash(frame.topLeft(), frame.bottomRight());
        wash.setColorAt(0, DesignTokens::withOpacity(TrovStyle::mint(), 0.1));
        wash.setColorAt(
            0.5, DesignTokens::withOpacity(environment.isDark() ? QColor(100, 210, 255) : QColor(50, 173, 230), 0.06));
        wash.setColorAt(1, DesignTokens::withOpacity(environment.ink(Ink::primary), 0.02));
        painter.fillRect(frame, wash);
        // The glow: a blurred mint disc, up and to the right of the middle.
        QPainterPath disc;
        disc.addEllipse(frame.center() + glowOffset, glowDiameter / 2, glowDiameter / 2);
        SoftShadow::paint(painter, disc, DesignTokens::withOpacity(TrovStyle::mint(), 0.15), glowBlur);
        backdropKey_ = key;
        return backdrop_;
    }

    QPixmap backdrop_;
    QString backdropKey_;
    CaptureIllustration *illustration_;
    ShortcutBadge *badge_;
    ClampedLabel *eyebrow_;
    ClampedLabel *reminder_;
    int eyebrowLeft_ = 0;
};

} // namespace

WelcomeView::WelcomeView(AppModel &model, Preferences &settings, QWidget *parent)
    : QWidget(parent), model_(model), settings_(settings), content_(new QWidget(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    auto *columns = new QHBoxLayout(content_);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(0);
    columns->addWidget(makeLeftColumn());
    columns->addWidget(makeRightColumn());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content_);

    // Unrevealed until it is first on screen.
    auto *opacity = new QGraphicsOpacityEffect(content_);
    opacity->setOpacity(0);
    content_->setGraphicsEffect(opacity);

    connect(&model_, &AppModel::permissionGrantedChanged, this, &WelcomeView::followPermission);
    connect(&model_, &AppModel::phaseChanged, this, &WelcomeView::followPhase);
    connect(&settings_, &Preferences::shortcutChanged, this, &WelcomeView::followShortcut);
    followPermission();
    followPhase();
    setTabOrder(main_, practice_);
    setTabOrder(practice_, openImage_);
    setFocusProxy(main_);
}

WelcomeView::~WelcomeView() = default;

QString WelcomeView::mainTitle(bool permissionGranted)
{
    return permissionGranted ? QStringLiteral("Take your first trov") : QStringLiteral("Enable screen capture");
}

QWidget *WelcomeView::makeLeftColumn()
{
    auto *column = new QWidget(content_);
    column->setFixedWidth(leftWidth);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(leftPadding, leftPadding, leftPadding, leftPadding);
    layout->setSpacing(0);

    auto *brand = new QHBoxLayout;
    brand->setSpacing(brandSpacing);
    brand->addWidget(new TrovMark(brandMark, column));
    brand->addWidget(
        snugLabel(QStringLiteral("Ravelond"), DesignTokens::font(DesignTokens::FontRole::brand), Ink::primary, column));
    brand->addStretch(1);
    layout->addLayout(brand);
    // The two spaces share the free height: brand at the top, the promise and
    // steps in the middle, the actions at the bottom.
    layout->addStretch(1);

    const QStringList headline{QStringLiteral("If you can see it,"), QStringLiteral("you can copy it.")};
    const QFont headlineFont = DesignTokens::fitted(DesignTokens::font(DesignTokens::FontRole::welcomeHeadline),
                                                    headline, leftWidth - 2 * leftPadding, 24);
    layout->addWidget(label(headline.join(QLatin1Char('\n')), headlineFont, Ink::primary, column));
    layout->addSpacing(headlineSpacing);
    ClampedLabel *subline = label(QStringLiteral("Turn any little corner of your screen into text you can use."),
                                  DesignTokens::font(DesignTokens::FontRole::welcomeSubline), Ink::secondary, column);
    subline->setExtraLineSpacing(sublineLineSpacing);
    layout->addWidget(subline);
    layout->addSpacing(leftSpacing);

    auto *steps = new QVBoxLayout;
    steps->setSpacing(stepsSpacing);
    steps->addWidget(
        step(QStringLiteral("1"), QStringLiteral("Select"), QStringLiteral("Drag around the text."), column));
    steps->addWidget(
        step(QStringLiteral("2"), QStringLiteral("Copy"), QStringLiteral("We'll read it and copy it."), column));
    steps->addWidget(
        step(QStringLiteral("3"), QStringLiteral("Paste"), QStringLiteral("Press ⌘V wherever you need it."), column));
    layout->addLayout(steps);
    layout->addStretch(1);

    layout->addWidget(makeActions(column));
    layout->addSpacing(leftSpacing);
    layout->addWidget(new PrivacyFootnote(column));
    return column;
}

QWidget *WelcomeView::makeActions(QWidget *parent)
{
    auto *actions = new QWidget(parent);
    auto *layout = new QVBoxLayout(actions);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(actionsSpacing);
    main_ = new CaptureButton(mainTitle(model_.permissionGranted()), actions);
    main_->setObjectName(QStringLiteral("welcomeButton"));
    main_->setTrailingSymbol(QStringLiteral("arrow.up.right"));
    connect(main_, &QAbstractButton::clicked, this, &WelcomeView::begin);
    layout->addWidget(main_);

    auto *links = new QHBoxLayout;
    links->setSpacing(linksSpacing);
    const QFont linkFont = DesignTokens::font(DesignTokens::FontRole::body);
    practice_ = new PlainButton(QStringLiteral("Try a practice trov"), linkFont, Ink::teal, actions);
    practice_->setObjectName(QStringLiteral("practiceLink"));
    openImage_ = new PlainButton(QStringLiteral("Open image…"), linkFont, Ink::secondary, actions);
    openImage_->setObjectName(QStringLiteral("openImageLink"));
    connect(practice_, &QAbstractButton::clicked, &model_, &AppModel::startPractice);
    connect(openImage_, &QAbstractButton::clicked, &model_, &AppModel::chooseImage);
    links->addWidget(practice_);
    links->addWidget(openImage_);
    links->addStretch(1);
    layout->addLayout(links);
    return actions;
}

QWidget *WelcomeView::makeRightColumn()
{
    illustration_ = new CaptureIllustration;
    badge_ = new ShortcutBadge(settings_.shortcut().label());
    badge_->setObjectName(QStringLiteral("shortcutBadge"));
    return new Showcase(illustration_, badge_, content_);
}

// The main button: the welcome counts as seen before anything starts, so
// quitting during the capture or the permission request still counts it.
void WelcomeView::begin()
{
    settings_.setHasSeenWelcome(true);
    if (model_.permissionGranted())
        model_.startCapture();
    else
        model_.requestPermission();
}

void WelcomeView::followPermission()
{
    main_->setText(mainTitle(model_.permissionGranted()));
    main_->updateGeometry();
}

void WelcomeView::followPhase()
{
    const bool idle = !model_.phase().isBusy();
    for (QAbstractButton *button : {static_cast<QAbstractButton *>(main_), static_cast<QAbstractButton *>(practice_),
                                    static_cast<QAbstractButton *>(openImage_)})
        button->setEnabled(idle);
}

void WelcomeView::followShortcut()
{
    badge_->setLabel(settings_.shortcut().label());
    if (auto *showcase = dynamic_cast<Showcase *>(badge_->parentWidget()))
        showcase->arrange();
}

double WelcomeView::contentOpacity() const
{
    const auto *effect = qobject_cast<QGraphicsOpacityEffect *>(content_->graphicsEffect());
    return effect ? effect->opacity() : 1;
}

void WelcomeView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    DesignEnvironment::of(this).repaintOnChange(this);
    if (!revealed_)
        reveal();
}

void WelcomeView::hideEvent(QHideEvent *event)
{
    // Nothing fades out of sight: hidden halfway, it comes back whole.
    if (fade_)
        fade_->stop();
    content_->setGraphicsEffect(nullptr);
    QWidget::hideEvent(event);
}

// Once, on the first appearance: an ease-out fade of the whole content, or at
// once under Reduce Motion. Later appearances find it revealed.
void WelcomeView::reveal()
{
    revealed_ = true;
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(content_->graphicsEffect());
    if (!effect)
        return;
    if (DesignEnvironment::of(this).reduceMotion()) {
        content_->setGraphicsEffect(nullptr);
        return;
    }
    auto *fade = new QPropertyAnimation(effect, "opacity", this);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    fade->setDuration(fadeMilliseconds);
    fade->setEasingCurve(DesignTokens::easeOut());
    // Drawn plainly again once opaque: the effect costs a picture per repaint.
    connect(fade, &QAbstractAnimation::finished, this, [this] { content_->setGraphicsEffect(nullptr); });
    fade_ = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void WelcomeView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), SystemColours::windowBackground(DesignEnvironment::of(this).isDark()));
}

bool WelcomeView::focusNextPrevChild(bool next)
{
    return LayoutOrder::moveFocus(*this, next) || QWidget::focusNextPrevChild(next);
}
