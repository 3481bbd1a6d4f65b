#include "support/design/SoftShadow.h"

#include <QCache>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

double deviation(double radius)
{
    return radius / 2;
}

// Three box blurs of these widths approximate a Gaussian of deviation `sigma`.
std::array<int, 3> boxWidths(double sigma)
{
    constexpr int passes = 3;
    const double ideal = std::sqrt(12 * sigma * sigma / passes + 1);
    int lower = int(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    const int upper = lower + 2;
    const double lowerCount =
        (12 * sigma * sigma - passes * lower * lower - 4 * passes * lower - 3 * passes) / (-4.0 * lower - 4);
    const int count = int(std::lround(lowerCount));
    std::array<int, 3> widths{};
    for (int pass = 0; pass < passes; ++pass)
        widths[size_t(pass)] = pass < count ? lower : upper;
    return widths;
}

// One box blur along a line of `length` values spaced `stride` apart.
void blurLine(uchar *line, int length, int stride, int halfWidth, std::vector<uchar> &scratch)
{
    scratch.resize(size_t(length));
    const int width = 2 * halfWidth + 1;
    int sum = 0;
    for (int i = 0; i <= halfWidth && i < length; ++i)
        sum += line[i * stride];
    for (int i = 0; i < length; ++i) {
        scratch[size_t(i)] = uchar((sum + width / 2) / width);
        const int entering = i + halfWidth + 1;
        const int leaving = i - halfWidth;
        if (entering < length)
            sum += line[entering * stride];
        if (leaving >= 0)
            sum -= line[leaving * stride];
    }
    for (int i = 0; i < length; ++i)
        line[i * stride] = scratch[size_t(i)];
}

void blur(QImage &alpha, double sigma)
{
    if (sigma < 0.5)
        return;
    std::vector<uchar> scratch;
    const int stride = int(alpha.bytesPerLine());
    for (const int width : boxWidths(sigma)) {
        const int half = (width - 1) / 2;
        for (int y = 0; y < alpha.height(); ++y)
            blurLine(alpha.scanLine(y), alpha.width(), 1, half, scratch);
        for (int x = 0; x < alpha.width(); ++x)
            blurLine(alpha.bits() + x, alpha.height(), stride, half, scratch);
    }
}

QImage colourised(const QImage &alpha, const QColor &colour)
{
    QImage image(alpha.size(), QImage::Format_ARGB32_Premultiplied);
    const QRgb base = colour.rgba();
    const int baseAlpha = qAlpha(base);
    for (int y = 0; y < alpha.height(); ++y) {
        const uchar *source = alpha.constScanLine(y);
        auto *target = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < alpha.width(); ++x) {
            const int a = source[x] * baseAlpha / 255;
            target[x] = qRgba(qRed(base) * a / 255, qGreen(base) * a / 255, qBlue(base) * a / 255, a);
        }
    }
    return image;
}

QString cacheKey(const QPainterPath &shape, const QColor &colour, double sigma, double scale)
{
    QString key;
    key.reserve(32 + shape.elementCount() * 16);
    key += QString::number(colour.rgba(), 16) + QLatin1Char('/') + QString::number(sigma, 'f', 3) + QLatin1Char('/') +
           QString::number(scale, 'f', 4);
    for (int i = 0; i < shape.elementCount(); ++i) {
        const QPainterPath::Element element = shape.elementAt(i);
        key += QLatin1Char(char('a' + int(element.type))) + QString::number(qRound(element.x * 64)) + QLatin1Char(',') +
               QString::number(qRound(element.y * 64));
    }
    return key;
}

// The blurred silhouettes, by shape, colour, blur and scale, up to 32 MB.
QCache<QString, QImage> &cache()
{
    static QCache<QString, QImage> images(32 * 1024 * 1024);
    return images;
}

double painterScale(const QPainter &painter)
{
    const QTransform &world = painter.worldTransform();
    const double worldScale = std::sqrt(std::abs(world.determinant()));
    const double ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    return std::max(0.01, ratio * worldScale);
}

} // namespace

QMarginsF SoftShadow::reach(double radius, QPointF offset)
{
    const double blur = std::ceil(3 * deviation(radius)) + 1;
    return QMarginsF(std::max(0.0, blur - offset.x()), std::max(0.0, blur - offset.y()),
                     std::max(0.0, blur + offset.x()), std::max(0.0, blur + offset.y()));
}

void SoftShadow::paint(QPainter &painter, const QPainterPath &shape, const QColor &colour, double radius,
                       QPointF offset)
{
    if (shape.isEmpty() || colour.alpha() == 0)
        return;
    const double sigma = deviation(radius);
    const double margin = std::ceil(3 * sigma) + 1;
    const QRectF bounds = shape.boundingRect();
    const QPointF origin(std::floor(bounds.left()) - margin, std::floor(bounds.top()) - margin);
    const QPainterPath local = shape.translated(-origin);
    const double scale = painterScale(painter);

    const QString key = cacheKey(local, colour, sigma, scale);
    if (const QImage *kept = cache().object(key)) {
        painter.drawImage(origin + offset, *kept);
        return;
    }
    const QSizeF logical(bounds.right() - origin.x() + margin, bounds.bottom() - origin.y() + margin);
    QImage alpha(QSize(int(std::ceil(logical.width() * scale)), int(std::ceil(logical.height() * scale))),
                 QImage::Format_Alpha8);
    alpha.fill(0);
    {
        QPainter silhouette(&alpha);
        silhouette.setRenderHint(QPainter::Antialiasing);
        silhouette.scale(scale, scale);
        silhouette.fillPath(local, Qt::black);
    }
    blur(alpha, sigma * scale);
    QImage image = colourised(alpha, colour);
    image.setDevicePixelRatio(scale);
    // A silhouette too large for the cache is drawn all the same.
    cache().insert(key, new QImage(image), image.sizeInBytes());
    painter.drawImage(origin + offset, image);
}

void SoftShadow::paintRoundedRect(QPainter &painter, const QRectF &rect, double cornerRadius, const QColor &colour,
                                  double radius, QPointF offset)
{
    QPainterPath shape;
    shape.addRoundedRect(rect, cornerRadius, cornerRadius);
    paint(painter, shape, colour, radius, offset);
}
