// Shows one plain top-level window titled by the first argument and prints its
// X11 window id on a line of its own; exits when standard input closes.
#include "../support/QuitWhenInputCloses.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("test window"));
    window.resize(320, 200);
    window.show();
    std::printf("%llu\n", static_cast<unsigned long long>(window.winId()));
    std::fflush(stdout);

    quitWhenInputCloses();
    return QApplication::exec();
}
