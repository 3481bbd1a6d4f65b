// Writes the application icon into an icon-theme folder, one PNG per size:
// <folder>/<size>x<size>/apps/app.ravelond.Ravelond.png
#include "platform/AppDirectories.h"
#include "support/design/AppIcon.h"

#include <QDir>
#include <QGuiApplication>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QDir theme(QString::fromLocal8Bit(argv[1]));
    for (const int side : AppIcon::sizes) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(side);
        if (!theme.mkpath(folder) ||
            !AppIcon::image(side).save(theme.filePath(
                folder + QLatin1Char('/') + QLatin1String(AppDirectories::bundleIdentifier) + QStringLiteral(".png"))))
            return 1;
    }
    return 0;
}
