// ravelond-ui-gallery OUTDIR: pictures every registered view in each of its
// states, light and dark, with Reduce Motion off and on, one PNG each named
// <view>-<state>-<appearance>.png (the whole set once more at scale 2, named
// …@2x.png), then reads every picture back and fails when one is missing or
// blank. Animations run on a hand-driven clock, so each picture shows its
// state exactly when the scene says.
//
// The whole set is taken in two common desktop faces, DejaVu Sans in OUTDIR
// and Noto Sans in OUTDIR/noto-sans, and fails as well when a text that
// should be shown whole is cut short or clipped in either.
#include "gallery/Gallery.h"
#include "gallery/GalleryFonts.h"
#include "gallery/WholeTextCheck.h"

#include "doubles/FakeAccessibilityPreferences.h"
#include "doubles/FakeAppearance.h"
#include "support/ManualAnimationDriver.h"
#include "support/TestEnvironment.h"

#include "support/design/DesignEnvironment.h"
#include "support/design/DesignPalette.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QStandardPaths>

#include <cstdio>

namespace {

struct Picture {
    QString path;
    QSize pixels;
    QColor backdrop;
    QStringList cutTexts;
};

QString appearanceName(bool dark, bool reduceMotion)
{
    return QLatin1String(dark ? "dark" : "light") + QLatin1String(reduceMotion ? "-reduced-motion" : "");
}

QImage render(QWidget &widget, const GalleryContext &context)
{
    QImage image((QSizeF(widget.size()) * context.scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(context.scale);
    image.fill(context.backdrop());
    QPainter painter(&image);
    widget.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.end();
    return image;
}

// Blank: (almost) nothing but the backdrop.
bool looksBlank(const QImage &image, const QColor &backdrop)
{
    const QImage pixels = image.convertToFormat(QImage::Format_RGB32);
    const QRgb plain = backdrop.rgb();
    qint64 drawn = 0;
    for (int y = 0; y < pixels.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
        for (int x = 0; x < pixels.width(); ++x)
            drawn += (line[x] & 0xffffff) != (plain & 0xffffff);
    }
    return drawn < qint64(pixels.width()) * pixels.height() / 200;
}

QtMessageHandler standardHandler = nullptr;

// The offscreen platform says so for every window it shows; nothing else is dropped.
void quietOffscreenNotice(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!message.contains(QLatin1String("propagateSizeHints")) && standardHandler)
        standardHandler(type, context, message);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    TestEnvironment environment;
    GalleryFonts::useOnly(TestEnvironment::root());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    standardHandler = qInstallMessageHandler(quietOffscreenNotice);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    for (const GalleryFonts::Family &family : GalleryFonts::families()) {
        if (!QDir(outDir).mkpath(family.folder)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(QDir(outDir).filePath(family.folder)));
            return 1;
        }
    }

    FakeAccessibilityPreferences accessibility;
    FakeAppearance appearance;
    DesignEnvironment design(accessibility, appearance, [] { return true; });
    DesignEnvironment::setStandard(&design);
    // Alerts, menus and drop-down lists take the application's palette.
    DesignPalette::followApplication();
    ManualAnimationDriver animations;

    QList<Picture> pictures;
    for (const GalleryFonts::Family &family : GalleryFonts::families()) {
        if (!GalleryFonts::makeStandard(family)) {
            std::fprintf(stderr, "the face %s is not installed\n", qPrintable(family.name));
            return 1;
        }
        const QDir familyDir(QDir(outDir).filePath(family.folder));
        for (const double scale : {1.0, 2.0}) {
            for (const Gallery::View &view : Gallery::views()) {
                for (const GalleryState &state : view.states) {
                    for (const bool dark : {false, true}) {
                        for (const bool reduceMotion : {false, true}) {
                            appearance.setDark(dark);
                            accessibility.motion = reduceMotion;
                            GalleryContext context{dark, reduceMotion, scale, design, animations};
                            std::unique_ptr<GalleryScene> scene = state.build(context);
                            QWidget &widget = scene->widget();
                            widget.show();
                            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
                            animations.advance(scene->settleMilliseconds());
                            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
                            const QImage image = render(widget, context);
                            const QString name = QStringLiteral("%1-%2-%3%4.png")
                                                     .arg(view.name, state.name, appearanceName(dark, reduceMotion),
                                                          scale == 1 ? QString() : QStringLiteral("@2x"));
                            const QString path = QDir::cleanPath(familyDir.filePath(name));
                            if (!image.save(path))
                                std::fprintf(stderr, "could not write %s\n", qPrintable(path));
                            pictures.append(
                                {path, image.size(), context.backdrop(), cutTexts(widget, state.clampedTexts)});
                            widget.hide();
                            scene.reset();
                        }
                    }
                }
            }
        }
    }
    DesignEnvironment::setStandard(nullptr);

    int failures = 0;
    for (const Picture &picture : pictures) {
        const QImage written(picture.path);
        if (written.isNull() || written.size() != picture.pixels) {
            std::fprintf(stderr, "missing or unreadable: %s\n", qPrintable(picture.path));
            ++failures;
        } else if (looksBlank(written, picture.backdrop)) {
            std::fprintf(stderr, "blank: %s\n", qPrintable(picture.path));
            ++failures;
        }
        for (const QString &cut : picture.cutTexts)
            std::fprintf(stderr, "text cut short: %s: %s\n", qPrintable(picture.path), qPrintable(cut));
        failures += picture.cutTexts.isEmpty() ? 0 : 1;
    }
    std::printf("%lld pictures in %s, %d missing, blank or with a text cut short\n", qlonglong(pictures.size()),
                qPrintable(outDir), failures);
    return failures ? 1 : 0;
}
