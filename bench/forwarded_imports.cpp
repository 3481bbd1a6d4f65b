// Whether the running program keeps growing as it imports: 2,000 images
// forwarded to it as second launches forward them (the instance socket's open
// request), each waited for until its text is on the clipboard. Prints the
// program's resident and private memory after the first 100 imports and every
// 250 after, and the growth after the first 100. Peer: the bare tray program
// (a QSystemTrayIcon and nothing else) measured over the same stretch.
// Run it as is: it starts `xvfb-run -a` itself (needs xvfb, openbox, trayer).
#include "app/InstanceForwarder.h"
#include "app/SingleInstance.h"

#include "ProcessMemory.h"
#include "ProgramUnderTest.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <QCoroTask>

#include <cstdio>

namespace {

constexpr int imports = 2000;
constexpr int settledAfter = 100;

int measure(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString home = scratch.filePath(QStringLiteral("home"));
    const QProcessEnvironment environment = ProgramUnderTest::privateEnvironment(home);
    const QStringList texts{QStringLiteral("Forwarded one"), QStringLiteral("Forwarded two")};
    const QStringList images{ProgramUnderTest::writeTextImage(scratch.path(), texts.at(0)),
                             ProgramUnderTest::writeTextImage(scratch.path(), texts.at(1))};

    QProcess ours;
    ours.setProcessEnvironment(environment);
    ours.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ours.start(QStringLiteral(RAVELOND_PROGRAM), {});
    QProcess peer;
    peer.setProcessEnvironment(ProgramUnderTest::privateEnvironment(scratch.filePath(QStringLiteral("peer"))));
    peer.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--bare-tray")});
    // Where SingleInstance listens in the program's runtime folder.
    const QString socketPath = home + QStringLiteral("/runtime/app.ravelond.Ravelond.instance");
    if (!ProgramUnderTest::waitFor([&] { return QFile::exists(socketPath); }, 20000))
        std::fprintf(stderr, "the instance never listened\n");
    ProgramUnderTest::waitFor([] { return false; }, 1000); // the start-up settles
    QClipboard *clipboard = QGuiApplication::clipboard();
    qint64 settledResident = 0;
    qint64 settledPrivate = 0;
    qint64 settledPeer = 0;
    std::printf("imports   RSS        private    bare tray RSS\n");
    for (int index = 1; index <= imports; ++index) {
        const QString &expected = texts.at(index % 2);
        const bool answered = QCoro::waitFor(InstanceForwarder::forward(
                                  socketPath, InstanceMessage::openRequest(QFile::encodeName(images.at(index % 2))),
                                  {std::chrono::seconds(10), std::chrono::seconds(10)}, [] { return true; })) ==
                              InstanceForwarder::Outcome::handedOver;
        if (!answered || !ProgramUnderTest::waitFor([&] { return clipboard->text().contains(expected); }, 30000)) {
            std::fprintf(stderr, "import %d never reached the clipboard\n", index);
            break;
        }
        if (index == settledAfter || index % 250 == 0) {
            const qint64 resident = ProcessMemory::residentKilobytes(ours.processId());
            const qint64 own = ProcessMemory::privateKilobytes(ours.processId());
            const qint64 bare = ProcessMemory::residentKilobytes(peer.processId());
            if (index == settledAfter) {
                settledResident = resident;
                settledPrivate = own;
                settledPeer = bare;
            }
            std::printf("%5d   %7.1f MB   %7.1f MB   %7.1f MB\n", index, resident / 1024.0, own / 1024.0,
                        bare / 1024.0);
            std::fflush(stdout);
        }
    }
    const qint64 resident = ProcessMemory::residentKilobytes(ours.processId());
    const qint64 own = ProcessMemory::privateKilobytes(ours.processId());
    std::printf("growth after the first %d imports: RSS %+.2f MB, private %+.2f MB (%.2f KB per import); bare tray "
                "RSS %+.2f MB\n",
                settledAfter, (resident - settledResident) / 1024.0, (own - settledPrivate) / 1024.0,
                double(resident - settledResident) / (imports - settledAfter),
                (ProcessMemory::residentKilobytes(peer.processId()) - settledPeer) / 1024.0);
    ours.terminate();
    peer.terminate();
    ours.waitForFinished(10000);
    peer.waitForFinished(10000);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 2 && QByteArray(argv[1]) == "--bare-tray")
        return ProgramUnderTest::bareTray(argc, argv);
    if (argc >= 2 && QByteArray(argv[1]) == "--inside")
        return measure(argc, argv);
    return ProgramUnderTest::runInOwnSession(argc, argv, {QStringLiteral("--inside")});
}
