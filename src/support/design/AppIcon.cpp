#include "support/design/AppIcon.h"

#include "support/design/TrovMark.h"

#include <QPainter>

QImage AppIcon::image(int side)
{
    QImage picture(side, side, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    // A little margin, as icon themes leave around their glyphs.
    const qreal inset = side * 0.06;
    TrovMark::paint(painter, QPointF(inset, inset), side - 2 * inset);
    return picture;
}

QIcon AppIcon::icon()
{
    QIcon icon;
    for (const int side : sizes)
        icon.addPixmap(QPixmap::fromImage(image(side)));
    return icon;
}
