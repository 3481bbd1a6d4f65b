#include "support/DesktopTools.h"

#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
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
    // A window the window manager is still placing can move between the
    // measure and the click: press only once the pointer is seen over the
    // widget where it now is (or, when no pointer event can say so, after a
    // bounded try).
    const QPointer<const QWidget> target(&widget);
    QPoint centre = widget.mapToGlobal(widget.rect().center());
    xdotool({QStringLiteral("mousemove"), QString::number(centre.x()), QString::number(centre.y())});
    (void)QTest::qWaitFor(
        [&] {
            if (!target)
                return true;
            const QPoint now = target->mapToGlobal(target->rect().center());
            if (now != centre) {
                centre = now;
                xdotool({QStringLiteral("mousemove"), QString::number(centre.x()), QString::number(centre.y())});
            }
            return target->underMouse();
        },
        5000);
    if (target)
        click(centre);
}

QString DesktopTools::clipboardText()
{
    return QString::fromUtf8(run(QStringLiteral("xclip"), {"-o", "-selection", "clipboard"}));
}
