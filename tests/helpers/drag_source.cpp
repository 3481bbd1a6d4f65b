// A file manager's part in a drag: one window at the geometry of the first
// argument ("X,Y,W,H") whose upper half starts an XDND drag of the files named
// by the other arguments when the left button goes down on it, offering copy
// and move. Its lower half takes a plain click and nothing else. Prints
// "ready" once shown, "dragging" as the drag starts and "dropped copy",
// "dropped move" or "dropped none" when it ends; exits when standard input closes.
#include "../support/QuitWhenInputCloses.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

void say(const char *line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

class DragSource : public QWidget {
public:
    explicit DragSource(QList<QUrl> urls) : urls_(std::move(urls)) { setWindowTitle(QStringLiteral("drag source")); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (!exposed_)
            say("ready");
        exposed_ = true;
    }

    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton || event->position().y() > height() / 2)
            return;
        auto *data = new QMimeData;
        data->setUrls(urls_);
        auto *drag = new QDrag(this);
        drag->setMimeData(data);
        say("dragging");
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
        say(action == Qt::CopyAction ? "dropped copy" : action == Qt::MoveAction ? "dropped move" : "dropped none");
    }

private:
    QList<QUrl> urls_;
    bool exposed_ = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty())
        return 2;
    const QStringList box = arguments.first().split(QLatin1Char(','));
    if (box.size() != 4)
        return 2;
    QList<QUrl> urls;
    for (const QString &path : arguments.mid(1))
        urls.append(QUrl::fromLocalFile(path));
    DragSource window(urls);
    window.setGeometry(box[0].toInt(), box[1].toInt(), box[2].toInt(), box[3].toInt());
    window.show();

    quitWhenInputCloses();
    return QApplication::exec();
}
