// Saves the whole X screen, or one window given by its id, to a PNG file.
// Usage: screenshot OUT.png [WINDOW-ID]
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const WId window = argc > 2 ? WId(QByteArray(argv[2]).toULongLong(nullptr, 0)) : 0;
    return QGuiApplication::primaryScreen()->grabWindow(window).save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
