// Whether the running program survives an image being cut short or written
// over while it imports it, as a program saving with O_TRUNC or a synced
// folder does. For each delay of 0.1, 0.2 ... 1.5 s after a second launch
// starts to hand `--open-image` of a 108 MB PNG over, the file is truncated
// to a third, and in a second round copied over by another picture (written
// in place, as `cp` does). After each cut the program must still run, and a
// further second launch must hand a small image over and get its text onto
// the clipboard. Prints a line per delay and a summary; the peer figures,
// measured first in the same run, are the untouched file's load in this
// process (the read and decode the cuts aim at) and the program's whole
// import of it, to the moment it takes the next one.
// Run it as is: it starts `xvfb-run -a` itself (needs xvfb, openbox, trayer).
#include "ProgramUnderTest.h"

#include "services/ImageLoader.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// 36 megapixels of noise: a PNG of about 108 MB, under the importer's limits.
constexpr QSize bigSize(6000, 6000);
constexpr int delaySteps = 15;
// A second launch that comes while the program still reads the cut picture
// is taken but not acted on; it is tried again after this long.
constexpr int checkRetryMs = 700;
constexpr int checkPatienceMs = 90000;

QByteArray noisePng(quint32 seed)
{
    QImage image(bigSize, QImage::Format_RGB888);
    quint32 state = seed;
    for (int y = 0; y < image.height(); ++y) {
        uchar *row = image.scanLine(y);
        for (int x = 0; x < image.width() * 3; ++x) {
            state = state * 1664525u + 1013904223u;
            row[x] = uchar(state >> 24);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // Little compression: noise does not shrink, and saving goes faster.
    image.save(&buffer, "PNG", 90);
    return bytes;
}

// Writes `bytes` over `path` in place, in the chunks `cp` uses.
bool writeInPlace(const QString &path, const QByteArray &bytes)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return false;
    constexpr qsizetype chunk = 128 * 1024;
    bool written = true;
    for (qsizetype offset = 0; offset < bytes.size() && written; offset += chunk) {
        const size_t length = size_t(std::min(chunk, bytes.size() - offset));
        written = ::write(descriptor, bytes.constData() + offset, length) == ssize_t(length);
    }
    ::close(descriptor);
    return written;
}

class Race {
public:
    Race(const QString &scratch, QProcessEnvironment environment)
        : scratch_(scratch), environment_(std::move(environment))
    {
    }

    bool start()
    {
        program_.setProcessEnvironment(environment_);
        program_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program_.start(QStringLiteral(RAVELOND_PROGRAM), {});
        const QString socketPath =
            environment_.value(QStringLiteral("XDG_RUNTIME_DIR")) + QStringLiteral("/app.ravelond.Ravelond.instance");
        return ProgramUnderTest::waitFor([&] { return QFile::exists(socketPath); }, 30000);
    }

    bool isAlive() const { return program_.state() == QProcess::Running; }

    QString howItEnded() const
    {
        if (isAlive())
            return QStringLiteral("running");
        return program_.exitStatus() == QProcess::CrashExit ? QStringLiteral("killed by a signal")
                                                            : QStringLiteral("exited %1").arg(program_.exitCode());
    }

    // A second launch of the program with `--open-image path`, not waited for.
    QProcess *handOver(const QString &path)
    {
        auto *launch = new QProcess;
        launch->setProcessEnvironment(environment_);
        launch->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        launch->start(QStringLiteral(RAVELOND_PROGRAM), {QStringLiteral("--open-image"), path});
        return launch;
    }

    // Hands an image reading `text` over until the text is on the clipboard;
    // the milliseconds that took, or -1. Every launch must exit 0.
    double importsAgain(const QString &text, bool &launchesSucceeded)
    {
        const QString image = ProgramUnderTest::writeTextImage(scratch_, text);
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < checkPatienceMs && isAlive()) {
            QProcess *launch = handOver(image);
            const bool ended =
                ProgramUnderTest::waitFor([&] { return launch->state() == QProcess::NotRunning; }, 20000);
            launchesSucceeded =
                launchesSucceeded && ended && launch->exitStatus() == QProcess::NormalExit && launch->exitCode() == 0;
            delete launch;
            if (ProgramUnderTest::waitFor([&] { return QGuiApplication::clipboard()->text().contains(text); },
                                          checkRetryMs))
                return double(clock.nsecsElapsed()) / 1e6;
        }
        return -1;
    }

    void stop()
    {
        program_.terminate();
        program_.waitForFinished(15000);
    }

private:
    QString scratch_;
    QProcessEnvironment environment_;
    QProcess program_;
};

struct Round {
    bool alive = false;
    bool handOverSucceeded = false;
    double nextImportMs = -1;
    // When the cut came, counted from the moment the program took the import on.
    double cutIntoImportMs = 0;
    QString ended;

    bool survived() const { return alive && handOverSucceeded && nextImportMs >= 0; }

    QString describe() const
    {
        if (!alive)
            return QStringLiteral("program %1").arg(ended);
        return QStringLiteral("cut %1 ms %2 the import began; alive, next import %3, launches %4")
            .arg(std::abs(cutIntoImportMs), 0, 'f', 0)
            .arg(cutIntoImportMs >= 0 ? QStringLiteral("after") : QStringLiteral("before"))
            .arg(nextImportMs >= 0 ? QStringLiteral("read after %1 s").arg(nextImportMs / 1000, 0, 'f', 1)
                                   : QStringLiteral("never read"),
                 handOverSucceeded ? QStringLiteral("exit 0") : QStringLiteral("FAILED"));
    }
};

int measure(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString home = scratch.filePath(QStringLiteral("home"));
    const QString target = scratch.filePath(QStringLiteral("big.png"));
    std::printf("making the pictures...\n");
    std::fflush(stdout);
    const QByteArray original = noisePng(5);
    const QByteArray replacement = noisePng(23);
    Race race(scratch.path(), ProgramUnderTest::privateEnvironment(home));
    if (!writeInPlace(target, original) || !race.start()) {
        std::fprintf(stderr, "the program never listened\n");
        return 1;
    }

    // Peers: the untouched file read and decoded here, and imported by the program.
    QElapsedTimer clock;
    clock.start();
    const QImage loaded = QCoro::waitFor(ImageLoader::load(target));
    const double loadMs = double(clock.nsecsElapsed()) / 1e6;
    bool launchesSucceeded = true;
    clock.restart();
    QProcess *intact = race.handOver(target);
    ProgramUnderTest::waitFor([&] { return intact->state() == QProcess::NotRunning; }, 20000);
    delete intact;
    const double wholeImportMs =
        race.importsAgain(QStringLiteral("Intact"), launchesSucceeded) >= 0 ? double(clock.nsecsElapsed()) / 1e6 : -1;
    std::printf("file %.1f MB, %dx%d; peer: loaded here in %.0f ms; whole import by the program, to taking the "
                "next one: %.0f ms\n",
                original.size() / 1048576.0, loaded.width(), loaded.height(), loadMs, wholeImportMs);

    int rounds = 0;
    int survived = 0;
    for (int step = 1; step <= delaySteps && race.isAlive(); ++step) {
        const int delayMs = step * 100;
        QString line = QStringLiteral("delay %1 s").arg(delayMs / 1000.0, 0, 'f', 1);
        for (const bool truncate : {true, false}) {
            if (!race.isAlive())
                break;
            writeInPlace(target, original);
            QElapsedTimer since;
            since.start();
            QProcess *launch = race.handOver(target);
            // The launch ends once the program has taken the import on.
            double handedOverMs = -1;
            QObject::connect(launch, &QProcess::finished, [&] { handedOverMs = double(since.nsecsElapsed()) / 1e6; });
            ProgramUnderTest::waitFor([&] { return since.elapsed() >= delayMs; }, delayMs + 1000);
            const double cutMs = double(since.nsecsElapsed()) / 1e6;
            const bool cut = truncate ? ::truncate(QFile::encodeName(target).constData(), original.size() / 3) == 0
                                      : writeInPlace(target, replacement);
            ProgramUnderTest::waitFor([&] { return launch->state() == QProcess::NotRunning; }, 20000);
            Round round;
            round.cutIntoImportMs = handedOverMs >= 0 ? cutMs - handedOverMs : 0;
            round.handOverSucceeded = cut && launch->exitStatus() == QProcess::NormalExit && launch->exitCode() == 0;
            delete launch;
            round.nextImportMs = race.importsAgain(QStringLiteral("Round %1 %2").arg(step).arg(truncate ? 1 : 2),
                                                   round.handOverSucceeded);
            round.alive = race.isAlive();
            round.ended = race.howItEnded();
            ++rounds;
            survived += round.survived() ? 1 : 0;
            line += QStringLiteral(" | %1: %2")
                        .arg(truncate ? QStringLiteral("truncated") : QStringLiteral("copied over"), round.describe());
        }
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    }
    std::printf("survived %d of %d cuts (%d planned); the program is %s\n", survived, rounds, delaySteps * 2,
                qPrintable(race.howItEnded()));
    const bool allSurvived = survived == delaySteps * 2 && launchesSucceeded;
    race.stop();
    return allSurvived ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 2 && QByteArray(argv[1]) == "--inside")
        return measure(argc, argv);
    return ProgramUnderTest::runInOwnSession(argc, argv, {QStringLiteral("--inside")});
}
