// Round trip of one recognition request through MLXService to a warm fake
// worker, and the start of a fresh fake worker to its first answer, each
// beside the same exchange over a bare QProcess with the same fake (the floor
// that Python and the pipes set).
#include "foundation/ProcessExit.h"
#include "models/MLXTask.h"
#include "services/MLXService.h"

#include <QCoreApplication>
#include <QCoroSignal>
#include <QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int warmRequests = 500;
constexpr int freshStarts = 20;

constexpr auto fakeWorker = R"(import json, sys
sys.stdout.write('{"type": "ready"}\n')
sys.stdout.flush()
for line in sys.stdin:
    request = json.loads(line)
    sys.stdout.write(json.dumps({"type": "result", "id": request["id"], "text": "ok", "truncated": False}) + "\n")
    sys.stdout.flush()
)";

constexpr auto requestLine =
    R"({"id":"0F8C9E4E-6D1B-4C36-9E57-4C8B0D7D6A11","image":"/tmp/crop.png","task":"text","max_tokens":2048})"
    "\n";

struct Figures {
    double median;
    double p95;
};

Figures figuresOf(std::vector<double> milliseconds)
{
    std::sort(milliseconds.begin(), milliseconds.end());
    return {milliseconds[milliseconds.size() / 2], milliseconds[milliseconds.size() * 95 / 100]};
}

void printRow(const char *what, const Figures &ours, const Figures &peer)
{
    std::printf("%-34s %9.3f %9.3f   %9.3f %9.3f\n", what, ours.median, ours.p95, peer.median, peer.p95);
}

void writeFile(const QString &path, const QByteArray &content, bool executable = false)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    if (executable)
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QCoro::Task<QByteArray> readLine(QProcess &process)
{
    while (!process.canReadLine())
        co_await qCoro(&process, &QProcess::readyReadStandardOutput);
    co_return process.readLine();
}

QCoro::Task<double> bareExchange(QProcess &process)
{
    QElapsedTimer timer;
    timer.start();
    process.write(requestLine);
    co_await readLine(process);
    co_return timer.nsecsElapsed() / 1e6;
}

QCoro::Task<double> serviceExchange(MLXService &service, const QString &image)
{
    QElapsedTimer timer;
    timer.start();
    co_await service.recognize(image, MLXTask::text);
    co_return timer.nsecsElapsed() / 1e6;
}

QCoro::Task<Figures> warmBare(const QString &interpreter)
{
    QProcess process;
    process.start(interpreter, {});
    co_await readLine(process); // ready
    std::vector<double> times;
    for (int i = 0; i < warmRequests + 20; ++i) {
        const double ms = co_await bareExchange(process);
        if (i >= 20)
            times.push_back(ms);
    }
    process.closeWriteChannel();
    co_await ProcessExit::of(&process);
    co_return figuresOf(times);
}

QCoro::Task<Figures> freshBare(const QString &interpreter)
{
    std::vector<double> times;
    for (int i = 0; i < freshStarts; ++i) {
        QProcess process;
        QElapsedTimer timer;
        timer.start();
        process.start(interpreter, {});
        process.write(requestLine);
        co_await readLine(process); // ready
        co_await readLine(process); // the answer
        times.push_back(timer.nsecsElapsed() / 1e6);
        process.closeWriteChannel();
        co_await ProcessExit::of(&process);
    }
    co_return figuresOf(times);
}

QCoro::Task<Figures> warmService(const QString &image)
{
    MLXService service;
    std::vector<double> times;
    for (int i = 0; i < warmRequests + 20; ++i) {
        const double ms = co_await serviceExchange(service, image);
        if (i >= 20)
            times.push_back(ms);
    }
    co_await service.shutdown();
    co_return figuresOf(times);
}

QCoro::Task<Figures> freshService(const QString &image)
{
    MLXService service;
    std::vector<double> times;
    for (int i = 0; i < freshStarts; ++i) {
        times.push_back(co_await serviceExchange(service, image));
        co_await service.shutdown();
    }
    co_return figuresOf(times);
}

QCoro::Task<void> run(const QString &interpreter, const QString &image)
{
    const Figures warmOurs = co_await warmService(image);
    const Figures warmPeer = co_await warmBare(interpreter);
    const Figures freshOurs = co_await freshService(image);
    const Figures freshPeer = co_await freshBare(interpreter);
    std::printf("milliseconds                       MLXService          bare QProcess\n");
    std::printf("                                   median    p95       median    p95\n");
    printRow("warm worker, one request", warmOurs, warmPeer);
    printRow("fresh worker to its first answer", freshOurs, freshPeer);
    std::printf("(%d warm requests, %d fresh starts; targets: warm median <= 5 ms, fresh <= 300 ms)\n", warmRequests,
                freshStarts);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    const QString script = root.filePath(QStringLiteral("fake_worker.py"));
    writeFile(script, fakeWorker);
    QDir(root.path()).mkpath(QStringLiteral("runtime/bin"));
    const QString python = QStringLiteral("/usr/bin/python3");
    // The runtime's interpreter runs the fake in place of the worker script it
    // is handed; the bare peer starts the very same file.
    const QString interpreter = root.filePath(QStringLiteral("runtime/bin/python3"));
    writeFile(interpreter, QStringLiteral("#!/bin/sh\nexec %1 -u '%2'\n").arg(python, script).toUtf8(), true);
    writeFile(root.filePath(QStringLiteral("ready.json")), "{}\n");
    writeFile(root.filePath(QStringLiteral("crop.png")), "png");
    qputenv("RAVELOND_MLX_ROOT", root.path().toLocal8Bit());

    QCoro::waitFor(run(interpreter, root.filePath(QStringLiteral("crop.png"))));
    return 0;
}
