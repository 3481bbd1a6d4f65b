// Offers a text on the X11 clipboard the way another program would, with extra
// MIME types (such as a password manager's hint), and serves it until told to
// stop (a line "stop" or the end of standard input) or until another program
// takes the clipboard.
//
//   clipboard_offer [--type MIME=VALUE]... TEXT
//
// Prints "offering" once it owns the clipboard.

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace {

QMimeData *offerFromArguments(const QStringList &arguments)
{
    auto *data = new QMimeData;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--type") && i + 1 < arguments.size()) {
            const QString pair = arguments.at(++i);
            const qsizetype equals = pair.indexOf(QLatin1Char('='));
            data->setData(pair.left(equals), pair.mid(equals + 1).toUtf8());
        } else {
            data->setText(arguments.at(i));
        }
    }
    return data;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(offerFromArguments(QCoreApplication::arguments()), QClipboard::Clipboard);
    if (!clipboard->ownsClipboard()) {
        std::fputs("could not take the clipboard\n", stderr);
        return 1;
    }
    std::puts("offering");
    std::fflush(stdout);

    QObject::connect(clipboard, &QClipboard::changed, &app, [clipboard](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard())
            QCoreApplication::quit();
    });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&input] {
        char buffer[256];
        const ssize_t size = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (size <= 0 || QByteArray(buffer, size).contains("stop")) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });
    return app.exec();
}
