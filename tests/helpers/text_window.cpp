// Shows a line of large black text on white in the middle of the screen, as
// another application would, and prints "ready X Y WIDTH HEIGHT" (the text
// area in screen points) once it is on screen. Exits when stdin closes.
// Usage: text_window TEXT
#include "../support/QuitWhenInputCloses.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace {

// Says where it is once it has been painted, so the X server holds its pixels.
class TextLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QLabel::paintEvent(event);
        if (announced_)
            return;
        announced_ = true;
        QTimer::singleShot(0, this, [this] {
            const QPoint origin = mapToGlobal(QPoint(0, 0));
            std::printf("ready %d %d %d %d\n", origin.x(), origin.y(), width(), height());
            std::fflush(stdout);
        });
    }

private:
    bool announced_ = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TextLabel label(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("Ravelond"));
    label.setWindowTitle(QStringLiteral("text window"));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(44);
    label.setFont(font);
    label.setAlignment(Qt::AlignCenter);
    label.setStyleSheet(QStringLiteral("background: white; color: black;"));
    label.resize(640, 160);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    label.move(screen.center() - QPoint(320, 80));
    label.show();
    quitWhenInputCloses();
    return QApplication::exec();
}
