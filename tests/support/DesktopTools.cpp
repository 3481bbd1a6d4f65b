#include "support/DesktopTools.h"

#include <QProcess>
#include <QSignalSpy>

QByteArray DesktopTools::run(const QString &program, const QStringList &arguments)
{
    QProcess tool;
    QSignalSpy finished(&tool, &QProcess::finished);
    tool.start(program, arguments);
    if (!finished.wait(30000))
        tool.kill();
    return tool.readAllStandardOutput() + tool.readAllStandardError();
}

void DesktopTools::xdotool(const QStringList &arguments)
{
    run(QStringLiteral("xdotool"), arguments);
}

void DesktopTools::click(QPoint point)
{
    xdotool({QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y()),
             QStringLiteral("click"), QStringLiteral("1")});
}

QString DesktopTools::clipboardText()
{
    return QString::fromUtf8(run(QStringLiteral("xclip"), {"-o", "-selection", "clipboard"}));
}
