// Saves a large clipboard history over and over, so that a test can kill it
// in the middle of a save.
//
//   history_saver PATH
//
// Prints "saved N" after the save whose newest item starts with "N ".

#include "platform/MemoryPasteboard.h"
#include "stores/ClipboardHistoryStore.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QString>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    QCoreApplication app(argc, argv);
    MemoryPasteboard pasteboard;
    ClipboardHistoryStore store(QString::fromLocal8Bit(argv[1]), pasteboard);
    store.setPersistence(true);
    const QString filler = QStringLiteral("lorem ipsum \u00E9 \"quoted\"\n").repeated(200);
    for (long saves = 0;; ++saves) {
        store.record(QString::number(saves) + QLatin1Char(' ') + filler);
        // Saves run in the background: report each once it is on disk.
        QCoro::waitFor(store.whenFileIdle());
        std::printf("saved %ld\n", saves);
        std::fflush(stdout);
    }
}
