#include "support/TestEnvironment.h"

#include <QDir>

#include <cstdlib>
#include <stdexcept>

namespace {
QString processRoot;
}

TestEnvironment::TestEnvironment()
{
    const char *base = std::getenv("TMPDIR");
    QByteArray pattern = QByteArray(base && *base ? base : "/tmp") + "/ravelond-test-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create the test root");
    root_ = pattern;
    processRoot = QString::fromLocal8Bit(root_);
    const QDir root(processRoot);
    for (const char *folder : {"home", "config", "data", "cache", "tmp", "runtime"})
        root.mkpath(QLatin1String(folder));
    QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setenv("HOME", (root_ + "/home").constData(), 1);
    setenv("XDG_CONFIG_HOME", (root_ + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (root_ + "/data").constData(), 1);
    setenv("XDG_CACHE_HOME", (root_ + "/cache").constData(), 1);
    setenv("XDG_RUNTIME_DIR", (root_ + "/runtime").constData(), 1);
    setenv("TMPDIR", (root_ + "/tmp").constData(), 1);
}

TestEnvironment::~TestEnvironment()
{
    QDir(QString::fromLocal8Bit(root_)).removeRecursively();
}

QString TestEnvironment::root()
{
    return processRoot;
}

QString TestEnvironment::temporaryDirectory()
{
    return processRoot + QStringLiteral("/tmp");
}
