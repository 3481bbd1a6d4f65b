// A running instance and nothing else, with few descriptors to spare, so a
// test can exhaust them from outside.
//
//   instance_host SOCKET_PATH DESCRIPTOR_LIMIT
//
// Prints "listening" once it takes requests, then "open PATH" (the path's
// bytes percent-encoded) or "reopen" for each request it acts on.

#include "app/SingleInstance.h"

#include <QCoreApplication>

#include <cstdio>
#include <sys/resource.h>

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    const rlimit limit{rlim_t(std::atoi(argv[2])), rlim_t(std::atoi(argv[2]))};
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 3;
    QCoreApplication app(argc, argv);
    SingleInstance instance(QString::fromLocal8Bit(argv[1]));
    if (!instance.claim() || !instance.listen())
        return 4;
    QObject::connect(&instance, &SingleInstance::openRequested, [](const QByteArray &path) {
        std::printf("open %s\n", path.toPercentEncoding("/").constData());
        std::fflush(stdout);
    });
    QObject::connect(&instance, &SingleInstance::reopenRequested, [] {
        std::printf("reopen\n");
        std::fflush(stdout);
    });
    instance.startAnswering();
    std::printf("listening\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
