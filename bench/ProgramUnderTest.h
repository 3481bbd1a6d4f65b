#pragma once

// What the benchmarks that start the real program share: a private home for
// each launch, the event loop run until a state is reached, a picture of text
// to hand it, and the bare tray program they measure it against.

#include "support/design/TrovMark.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSystemTrayIcon>
#include <QTimer>

namespace ProgramUnderTest {

// Runs the event loop until `condition` holds or `milliseconds` pass,
// checking every millisecond.
template <typename Condition>
bool waitFor(Condition condition, int milliseconds)
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer check;
    check.setTimerType(Qt::PreciseTimer);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    check.start(1);
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    return condition();
}

// Settings of its own under `home`: no welcome window, no sound.
inline void prepareHome(const QString &home)
{
    QDir().mkpath(home + QStringLiteral("/config"));
    QDir().mkpath(home + QStringLiteral("/runtime"));
    QFile::setPermissions(home + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile settings(home + QStringLiteral("/config/app.ravelond.Ravelond.conf"));
    settings.open(QIODevice::WriteOnly);
    settings.write("[General]\nhasSeenWelcome=true\nplaySound=false\n");
}

// This process's environment with its home, settings, data and runtime
// folders under `home`.
inline QProcessEnvironment environmentAt(const QString &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/runtime"));
    return environment;
}

// A prepared home and the environment that points there.
inline QProcessEnvironment privateEnvironment(const QString &home)
{
    prepareHome(home);
    return environmentAt(home);
}

// `text` in 48 px DejaVu Sans on white, saved as a PNG in `folder` under a
// name made of its words.
inline QString writeTextImage(const QString &folder, const QString &text)
{
    QImage image(700, 140, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(48);
    painter.setFont(font);
    painter.drawText(image.rect(), Qt::AlignCenter, text);
    painter.end();
    const QString path = QDir(folder).filePath(text.simplified().replace(QLatin1Char(' '), QLatin1Char('-')) + ".png");
    image.save(path);
    return path;
}

// The peer: a bare Qt program that shows our mark in the tray and nothing else.
inline int bareTray(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap icon(22, 22);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    TrovMark::paint(painter, QPointF(0, 0), 22);
    painter.end();
    QSystemTrayIcon tray{QIcon(icon)};
    tray.show();
    return QApplication::exec();
}

#ifdef RAVELOND_SOURCE_DIR
// Runs this benchmark again as `arguments` ("--inside" first) on an Xvfb
// server of its own at 1440 x 900, with the window manager and tray the tests
// use, and gives its exit code.
inline int runInOwnSession(int argc, char **argv, const QStringList &arguments)
{
    QCoreApplication app(argc, argv);
    QProcess inside;
    inside.setProcessChannelMode(QProcess::ForwardedChannels);
    inside.start(QStringLiteral("xvfb-run"),
                 QStringList{QStringLiteral("-a"), QStringLiteral("-s"),
                             QStringLiteral("-screen 0 1440x900x24 -nolisten tcp"),
                             QStringLiteral(RAVELOND_SOURCE_DIR "/tests/support/x11-session.sh"),
                             QString::fromLocal8Bit(argv[0])} +
                     arguments);
    inside.waitForFinished(-1);
    return inside.exitCode();
}
#endif

} // namespace ProgramUnderTest
