#include "support/DesktopTools.h"

#include <QProcess>
#include <QSignalSpy>
#include <QWidget>

QByteArray DesktopTools::run(const QString &program, const QStringList &arguments)
{
    QProcess tool;
    QSignalSpy finished(&tool, &QProcess::finished);
    tool.start(program, arguments);
    if (!finished.wait(30000))
        tool.kill();
    return tool.readAllStandardOutput();
}

void DesktopTools::xdotool(const QStringList &arguments)
{
    run(QStringLiteral("xdotool"), arguments);
}

void DesktopTools::click(QPoint point, int button)
{
    xdotool({QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y()),
             QStringLiteral("click"), QString::number(button)});
}

void DesktopTools::click(const QWidget &widget)
{
    click(widget.mapToGlobal(widget.rect().center()));
}

QString DesktopTools::clipboardText()
{
    return QString::fromUtf8(run(QStringLiteral("xclip"), {"-o", "-selection", "clipboard"}));
}
