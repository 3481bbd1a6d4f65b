#include "support/MLXTestRoot.h"

#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QUuid>

MLXTestRoot::MLXTestRoot()
    : path_(TestEnvironment::temporaryDirectory() + QStringLiteral("/mlx-") +
            QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    QDir().mkpath(path_);
    qputenv("RAVELOND_MLX_ROOT", path_.toLocal8Bit());
}

MLXTestRoot::~MLXTestRoot()
{
    qunsetenv("RAVELOND_MLX_ROOT");
    QDir(path_).removeRecursively();
}

QString MLXTestRoot::python() const
{
    return path_ + QStringLiteral("/runtime/bin/python3");
}

QString MLXTestRoot::fakeInterpreterDirectory()
{
    return QStringLiteral(RAVELOND_TEST_SOURCE_DIR "/support/fake_interpreters");
}

void MLXTestRoot::writeFakeInterpreter(const QString &path, const QString &fakeScript, const QString &scenario)
{
    const QString script = fakeInterpreterDirectory() + QLatin1Char('/') + fakeScript;
    writeFile(path,
              QStringLiteral("#!/bin/sh\nexec /usr/bin/python3 -u '%1' '%2' \"$@\"\n").arg(script, scenario).toUtf8());
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void MLXTestRoot::installFakeWorker(const QString &scenario, bool ready)
{
    writeFakeInterpreter(python(), QStringLiteral("fake_worker.py"), scenario);
    if (ready)
        markReady();
}

QString MLXTestRoot::fakeSetupPython(const QString &scenario) const
{
    const QString path = path_ + QStringLiteral("/bin/python-") + scenario;
    writeFakeInterpreter(path, QStringLiteral("fake_setup.py"), scenario);
    return path;
}

void MLXTestRoot::markReady()
{
    writeFile(path_ + QStringLiteral("/ready.json"), "{}\n");
}

QString MLXTestRoot::instruction(const QString &content)
{
    const QString path = path_ + QStringLiteral("/requests/image-%1.png").arg(++instructions_);
    writeFile(path, content.toUtf8());
    return path;
}
