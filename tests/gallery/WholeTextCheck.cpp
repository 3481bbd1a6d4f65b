#include "gallery/WholeTextCheck.h"

#include "support/design/ClampedLabel.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QComboBox>
#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QTextEdit>
#include <QWidget>

#include <cmath>
#include <optional>

namespace {

const QString ellipsis = QStringLiteral("…");
// Antialiasing and rounding of a text's advance may reach this far past its box.
constexpr double tolerance = 0.5;

// A text as a widget painted it, in the window's coordinates.
struct PaintedText {
    QPointer<QWidget> widget;
    QString text;
    QRectF box;
    // What the painter's clip left of the window when it was drawn.
    std::optional<QRectF> clip;
};

// Keeps the texts drawn through it and draws nothing: the painter's state
// (transform and clip) is followed only as far as texts need it.
class TextRecordingEngine final : public QPaintEngine {
public:
    TextRecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}

    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
    void drawPath(const QPainterPath &) override {}

    void updateState(const QPaintEngineState &state) override
    {
        const DirtyFlags dirty = state.state();
        if (dirty & DirtyTransform)
            transform_ = state.transform();
        if (dirty & DirtyClipRegion)
            clipWith(state.clipOperation(), transform_.mapRect(QRectF(state.clipRegion().boundingRect())));
        if (dirty & DirtyClipPath)
            clipWith(state.clipOperation(), transform_.map(state.clipPath()).boundingRect());
        if (dirty & DirtyClipEnabled)
            clipEnabled_ = state.isClipEnabled();
    }

    void drawTextItem(const QPointF &origin, const QTextItem &item) override
    {
        const QRectF box(origin.x(), origin.y() - item.ascent(), item.width(), item.ascent() + item.descent());
        texts.append({painting, item.text(), transform_.mapRect(box), clipEnabled_ ? clip_ : std::nullopt});
    }

    QPointer<QWidget> painting;
    QList<PaintedText> texts;

private:
    void clipWith(Qt::ClipOperation operation, const QRectF &area)
    {
        if (operation == Qt::NoClip)
            clip_.reset();
        else if (operation == Qt::ReplaceClip || !clip_)
            clip_ = area;
        else
            clip_ = *clip_ & area;
        clipEnabled_ = operation != Qt::NoClip;
    }

    QTransform transform_;
    std::optional<QRectF> clip_;
    bool clipEnabled_ = false;
};

// A device of the window's size and resolution that paints through the recording engine.
class TextRecordingDevice final : public QPaintDevice {
public:
    explicit TextRecordingDevice(QSize size) : size_(size) {}

    QPaintEngine *paintEngine() const override { return &engine_; }
    TextRecordingEngine &engine() const { return engine_; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        static const QImage reference(1, 1, QImage::Format_ARGB32_Premultiplied);
        switch (metric) {
        case PdmWidth:
            return size_.width();
        case PdmHeight:
            return size_.height();
        case PdmWidthMM:
            return int(std::lround(size_.width() * 25.4 / reference.logicalDpiX()));
        case PdmHeightMM:
            return int(std::lround(size_.height() * 25.4 / reference.logicalDpiY()));
        case PdmNumColors:
            return 0;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmPhysicalDpiX:
            return reference.logicalDpiX();
        case PdmDpiY:
        case PdmPhysicalDpiY:
            return reference.logicalDpiY();
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        }
        return 0;
    }

private:
    QSize size_;
    mutable TextRecordingEngine engine_;
};

// Tells the engine which widget is painting: each one's paint event comes
// before whatever it draws.
class PaintWatcher final : public QObject {
public:
    explicit PaintWatcher(TextRecordingEngine &engine) : engine_(engine) { qApp->installEventFilter(this); }
    ~PaintWatcher() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType())
            engine_.painting = static_cast<QWidget *>(watched);
        return QObject::eventFilter(watched, event);
    }

private:
    TextRecordingEngine &engine_;
};

QList<PaintedText> paintedTexts(QWidget &window)
{
    TextRecordingDevice device(window.size());
    const PaintWatcher watcher(device.engine());
    QPainter painter(&device);
    window.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.end();
    return device.engine().texts;
}

bool isViewport(const QWidget &widget)
{
    const auto *area = qobject_cast<const QAbstractScrollArea *>(widget.parentWidget());
    return area && area->viewport() == &widget;
}

// What of `widget` its parents up to `window` leave in sight, in the window's
// coordinates. A scrolled list's rows go out of sight above and below by
// design, so from the viewport of a scroll area outwards parents cut only at
// their sides.
QRectF sightOf(const QWidget &widget, const QWidget &window)
{
    QRectF sight(QPointF(widget.mapTo(&window, QPoint())), QSizeF(widget.size()));
    bool scrolled = false;
    for (const QWidget *parent = widget.parentWidget(); parent; parent = parent->parentWidget()) {
        scrolled = scrolled || isViewport(*parent);
        QRectF frame(QPointF(parent->mapTo(&window, QPoint())), QSizeF(parent->size()));
        if (scrolled) {
            frame.setTop(sight.top());
            frame.setBottom(sight.bottom());
        }
        sight &= frame;
        if (parent == &window)
            break;
    }
    return sight;
}

bool inside(const QRectF &box, const QRectF &bounds)
{
    return box.left() >= bounds.left() - tolerance && box.right() <= bounds.right() + tolerance &&
           box.top() >= bounds.top() - tolerance && box.bottom() <= bounds.bottom() + tolerance;
}

QString ownTextOf(const QWidget &widget)
{
    if (const auto *label = qobject_cast<const ClampedLabel *>(&widget))
        return label->text();
    if (const auto *label = qobject_cast<const QLabel *>(&widget))
        return label->text();
    if (const auto *button = qobject_cast<const QAbstractButton *>(&widget))
        return button->text();
    if (const auto *combo = qobject_cast<const QComboBox *>(&widget))
        return combo->currentText();
    return QString();
}

// The whole text a widget stands for, as far as it tells: its own, or the
// name it is read by when it draws a text it does not hold (a row).
QString wholeTextOf(const QWidget &widget)
{
    const QString own = ownTextOf(widget);
    return own.isEmpty() ? widget.accessibleName() : own;
}

// Text fields show what the user typed, scrolled as the user scrolls it.
bool isTextField(const QWidget &widget)
{
    for (const QWidget *each = &widget; each; each = each->parentWidget()) {
        if (qobject_cast<const QTextEdit *>(each) || qobject_cast<const QLineEdit *>(each))
            return true;
    }
    return false;
}

QString describe(const QWidget &widget, const QString &text, const QString &fault)
{
    const QString name =
        widget.objectName().isEmpty() ? QString::fromLatin1(widget.metaObject()->className()) : widget.objectName();
    // Enough of a long text to find it by.
    constexpr qsizetype shownLength = 80;
    const QString shown = text.size() > shownLength ? text.left(shownLength) + ellipsis : text;
    return QStringLiteral("\"%1\" of %2 %3 (%4×%5)").arg(shown, name, fault).arg(widget.width()).arg(widget.height());
}

// A clamped label's own account: a last line cut short, or more lines than its height holds.
std::optional<QString> labelFault(const ClampedLabel &label)
{
    const QStringList lines = label.displayedLines();
    if (!lines.isEmpty() && lines.last().endsWith(ellipsis) && !label.text().trimmed().endsWith(ellipsis))
        return describe(label, label.text(), QStringLiteral("ends in an ellipsis: \"%1\"").arg(lines.join(u'/')));
    if (label.heightForWidth(label.width()) > label.height())
        return describe(label, label.text(), QStringLiteral("is taller than its box"));
    return std::nullopt;
}

std::optional<QString> wrappedLabelFault(const QLabel &label)
{
    if (label.wordWrap() && label.heightForWidth(label.width()) > label.height())
        return describe(label, label.text(), QStringLiteral("is taller than its box"));
    return std::nullopt;
}

// A text drawn cut short, or beyond what its widget, its parents or the painter's clip leave in sight.
std::optional<QString> paintedFault(const PaintedText &painted, const QWidget &window)
{
    const QWidget &widget = *painted.widget;
    const QString whole = wholeTextOf(widget);
    if (painted.text.endsWith(ellipsis) && !whole.contains(painted.text))
        return describe(widget, whole, QStringLiteral("is drawn cut short: \"%1\"").arg(painted.text));
    QRectF sight = sightOf(widget, window);
    if (painted.clip)
        sight &= *painted.clip;
    if (!inside(painted.box, sight))
        return describe(widget, painted.text,
                        QStringLiteral("is drawn at %1,%2 %3×%4, beyond what is in sight, %5,%6 %7×%8")
                            .arg(painted.box.x())
                            .arg(painted.box.y())
                            .arg(painted.box.width())
                            .arg(painted.box.height())
                            .arg(sight.x())
                            .arg(sight.y())
                            .arg(sight.width())
                            .arg(sight.height()));
    return std::nullopt;
}

} // namespace

QStringList cutTexts(QWidget &window, const QStringList &clamped)
{
    QStringList cut;
    QList<const QWidget *> reported;
    const auto report = [&](const QWidget &widget, const std::optional<QString> &fault) {
        if (fault && !reported.contains(&widget) && !clamped.contains(wholeTextOf(widget))) {
            reported.append(&widget);
            cut.append(*fault);
        }
    };
    for (const ClampedLabel *label : window.findChildren<ClampedLabel *>()) {
        if (label->isVisibleTo(&window) && !label->text().isEmpty())
            report(*label, labelFault(*label));
    }
    for (const QLabel *label : window.findChildren<QLabel *>()) {
        if (label->isVisibleTo(&window) && !label->text().isEmpty())
            report(*label, wrappedLabelFault(*label));
    }
    for (const PaintedText &painted : paintedTexts(window)) {
        if (painted.widget && !painted.text.trimmed().isEmpty() && !isTextField(*painted.widget))
            report(*painted.widget, paintedFault(painted, window));
    }
    return cut;
}
