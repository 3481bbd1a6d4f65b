#include "stores/ClipboardHistoryFile.h"

#include "foundation/CanonicalText.h"
#include "models/ClipboardHistoryCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t ownerOnly = 0600;

// The writer's temporary copies: the file's name and six mkstemp characters.
bool isTemporaryCopyName(const QString &name, const QString &fileName)
{
    static const QRegularExpression suffix(QStringLiteral("^\\.[A-Za-z0-9]{6}$"));
    return name.startsWith(fileName) && suffix.match(name.mid(fileName.size())).hasMatch();
}

bool isSetAsideName(const QString &name, const QString &fileName)
{
    static const QRegularExpression suffix(QStringLiteral("^\\.unreadable(-[0-9]+)?$"));
    return name.startsWith(fileName) && suffix.match(name.mid(fileName.size())).hasMatch();
}

QStringList siblingsMatching(const QString &path, bool (*matches)(const QString &, const QString &))
{
    const QFileInfo file(path);
    const QString fileName = file.fileName();
    QStringList found;
    const QStringList names =
        file.dir().entryList({fileName + QStringLiteral(".*")}, QDir::Files | QDir::System | QDir::Hidden);
    for (const QString &name : names) {
        if (matches(name, fileName))
            found << file.dir().filePath(name);
    }
    return found;
}

// Renames without ever replacing what is at `target`.
bool renameWithoutReplacing(const QByteArray &source, const QByteArray &target)
{
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: a hard link fails on an existing name too.
    if (::link(source.constData(), target.constData()) != 0)
        return false;
    ::unlink(source.constData());
    return true;
}

// Pinned first, newest first within each pin state; equal ones keep their order.
ClipboardHistoryFile::Contents sortedWithKeys(QList<ClipboardHistoryItem> items)
{
    std::stable_sort(items.begin(), items.end(), [](const ClipboardHistoryItem &a, const ClipboardHistoryItem &b) {
        if (a.isPinned != b.isPinned)
            return a.isPinned;
        return a.date > b.date;
    });
    ClipboardHistoryFile::Contents contents;
    contents.keys.reserve(items.size());
    for (const ClipboardHistoryItem &item : items)
        contents.keys << CanonicalText::key(item.text);
    contents.items = std::move(items);
    return contents;
}

QList<ClipboardHistoryItem> withoutRepeatedIds(QList<ClipboardHistoryItem> items)
{
    QSet<QUuid> seen;
    items.removeIf([&seen](const ClipboardHistoryItem &item) {
        if (seen.contains(item.id))
            return true;
        seen.insert(item.id);
        return false;
    });
    return items;
}

} // namespace

QString ClipboardHistoryFile::unreadableCopyPath(const QString &path)
{
    return path + QStringLiteral(".unreadable");
}

QStringList ClipboardHistoryFile::leftovers(const QString &path)
{
    return siblingsMatching(path, [](const QString &name, const QString &fileName) {
        return isTemporaryCopyName(name, fileName) || isSetAsideName(name, fileName);
    });
}

std::optional<ClipboardHistoryFile::Contents> ClipboardHistoryFile::read(const QString &path)
{
    removeTemporaryCopies(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<QList<ClipboardHistoryItem>> decoded = ClipboardHistoryCodec::decode(file.readAll());
    file.close();
    if (!decoded) {
        // The next save would replace the file: keep the damaged one aside
        // so that its pinned items can still be rescued.
        setAside(path);
        return std::nullopt;
    }
    return sortedWithKeys(withoutRepeatedIds(std::move(*decoded)));
}

bool ClipboardHistoryFile::save(const QString &path, const QList<ClipboardHistoryItem> &items,
                                const AtomicFileWriter::StepGate &gate)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    return AtomicFileWriter::write(path, ClipboardHistoryCodec::encode(items), ownerOnly, gate);
}

void ClipboardHistoryFile::removeAll(const QString &path)
{
    QFile::remove(path);
    removeLeftovers(path);
}

void ClipboardHistoryFile::removeLeftovers(const QString &path)
{
    for (const QString &leftover : leftovers(path))
        QFile::remove(leftover);
}

void ClipboardHistoryFile::removeTemporaryCopies(const QString &path)
{
    for (const QString &copy : siblingsMatching(path, isTemporaryCopyName))
        QFile::remove(copy);
}

void ClipboardHistoryFile::setAside(const QString &path)
{
    const QByteArray source = QFile::encodeName(path);
    // Owner-only before it takes its new name. A symbolic link is moved as
    // the link itself: whatever it points to is neither changed nor moved.
    const int fd = ::open(source.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) {
        ::fchmod(fd, ownerOnly);
        ::close(fd);
    }
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        QString target = unreadableCopyPath(path);
        if (attempt > 1)
            target += QStringLiteral("-%1").arg(attempt);
        if (renameWithoutReplacing(source, QFile::encodeName(target)))
            return;
        if (errno != EEXIST)
            return;
    }
}
