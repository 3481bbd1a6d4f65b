#include "support/design/TrovMark.h"

#include "support/design/SymbolLibrary.h"
#include "support/design/TrovStyle.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

// Keeps the decorative glyph out of the accessibility tree's reading order.
class HiddenAccessible : public QAccessibleWidget {
public:
    explicit HiddenAccessible(QWidget *widget) : QAccessibleWidget(widget, QAccessible::NoRole) {}
    QAccessible::State state() const override
    {
        QAccessible::State hidden = QAccessibleWidget::state();
        hidden.invisible = true;
        return hidden;
    }
    QString text(QAccessible::Text) const override { return QString(); }
};

QAccessibleInterface *hiddenMarkFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("TrovMark") && object && object->isWidgetType())
        return new HiddenAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

TrovMark::TrovMark(qreal size, QWidget *parent) : QWidget(parent), size_(size)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(hiddenMarkFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(sizeHint());
}

void TrovMark::setMarkSize(qreal size)
{
    size_ = size;
    setFixedSize(sizeHint());
    update();
}

QSize TrovMark::sizeHint() const
{
    const int side = int(std::ceil(size_));
    return QSize(side, side);
}

void TrovMark::paint(QPainter &painter, QPointF topLeft, qreal size)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF square(topLeft, QSizeF(size, size));
    QPainterPath shape;
    shape.addRoundedRect(square, size * 0.28, size * 0.28);
    painter.fillPath(shape, TrovStyle::gradient());
    const qreal symbol = size * 0.57;
    SymbolLibrary::paint(painter, QStringLiteral("text.viewfinder"),
                         QRectF(square.center() - QPointF(symbol / 2, symbol / 2), QSizeF(symbol, symbol)), Qt::white,
                         SymbolLibrary::Weight::medium);
    painter.restore();
}

void TrovMark::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paint(painter, QPointF((width() - size_) / 2, (height() - size_) / 2), size_);
}
