// The welcome window's cost at rest: the share of one core the process uses
// while the window stays open for 10 s, at scale 1 and 2, beside the same
// window with Reduce Motion on (the illustration then stands still). Each
// figure comes from a fresh process on Qt's offscreen platform, which paints
// into memory as an X11 window's backing store does.
#include "BenchModel.h"

#include "views/WelcomeView.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {

constexpr int settleMs = 1000;
constexpr int openMs = 10000;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// One window, open for the measured stretch once its fade-in is over; prints the share of a core.
int window(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QTemporaryDir folder;
    BenchModel bench(folder.path());
    QWidget host;
    host.resize(670, 510);
    auto *view = new WelcomeView(bench.model(), bench.settings(), &host);
    view->resize(host.size());
    host.show();
    double start = 0;
    QTimer::singleShot(settleMs, &app, [&] { start = cpuSeconds(); });
    QTimer::singleShot(settleMs + openMs, &app, [&] {
        std::printf("%.2f\n", 100.0 * (cpuSeconds() - start) / (openMs / 1000.0));
        QCoreApplication::quit();
    });
    return QApplication::exec();
}

double measured(const QString &self, int scale, bool reduceMotion)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
    environment.insert(QStringLiteral("RAVELOND_REDUCE_MOTION"),
                       reduceMotion ? QStringLiteral("1") : QStringLiteral("0"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.start(self, {QStringLiteral("--window")});
    child.waitForFinished(60000);
    const QList<QByteArray> lines = child.readAllStandardOutput().trimmed().split('\n');
    return lines.last().toDouble();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 2 && QByteArray(argv[1]) == "--window")
        return window(argc, argv);
    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    std::printf("welcome window open %d s, share of one core\n", openMs / 1000);
    for (const int scale : {1, 2}) {
        const double moving = measured(self, scale, false);
        const double still = measured(self, scale, true);
        std::printf("  scale %d   illustration sweeping %5.2f %%   Reduce Motion on %5.2f %%\n", scale, moving, still);
    }
    return 0;
}
