#include "models/TrovError.h"
#include "services/TemporaryImage.h"
#include "support/Await.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QImage smallPicture()
{
    QImage image(12, 7, QImage::Format_ARGB32);
    image.fill(qRgba(10, 200, 30, 128));
    image.setPixel(3, 4, qRgba(255, 0, 0, 255));
    return image;
}

QStringList leftoverFolders()
{
    return QDir(QDir::tempPath()).entryList({QStringLiteral("ravelond-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
}

// Points the temporary directory somewhere else for one test.
class TemporaryDirectoryOverride {
public:
    explicit TemporaryDirectoryOverride(const QString &path) : previous_(qgetenv("TMPDIR"))
    {
        qputenv("TMPDIR", QFile::encodeName(path));
    }
    ~TemporaryDirectoryOverride() { qputenv("TMPDIR", previous_); }

private:
    QByteArray previous_;
};

class TemporaryImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const QString &folder : leftoverFolders())
            QDir(QDir::tempPath() + QLatin1Char('/') + folder).removeRecursively();
    }
};

} // namespace

TEST_F(TemporaryImageTest, WritesThePixelsAsCropPngInAPrivateUpperCaseUuidFolder)
{
    TemporaryImage crop = await(TemporaryImage::create(smallPicture()));

    const QFileInfo folder(crop.directory());
    EXPECT_EQ(folder.absolutePath(), QDir(QDir::tempPath()).absolutePath());
    static const QRegularExpression name(
        QStringLiteral("^ravelond-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
    EXPECT_TRUE(name.match(folder.fileName()).hasMatch()) << folder.fileName().toStdString();
    EXPECT_EQ(crop.url(), crop.directory() + QStringLiteral("/crop.png"));
    EXPECT_EQ(QDir(crop.directory()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QStringLiteral("crop.png")});
    EXPECT_EQ(permissionBits(crop.directory()), mode_t(0700));
    EXPECT_EQ(permissionBits(crop.url()), mode_t(0600));

    QImage written(crop.url(), "png");
    EXPECT_EQ(written.convertToFormat(QImage::Format_ARGB32), smallPicture());
    crop.remove();
    EXPECT_FALSE(QFileInfo::exists(crop.directory()));
}

TEST_F(TemporaryImageTest, ModesAreExactWhateverTheUmask)
{
    const mode_t previous = ::umask(0);
    TemporaryImage crop = await(TemporaryImage::create(smallPicture()));
    ::umask(previous);
    EXPECT_EQ(permissionBits(crop.directory()), mode_t(0700));
    EXPECT_EQ(permissionBits(crop.url()), mode_t(0600));
    crop.remove();
}

TEST_F(TemporaryImageTest, EveryCropGetsItsOwnFolder)
{
    TemporaryImage first = await(TemporaryImage::create(smallPicture()));
    TemporaryImage second = await(TemporaryImage::create(smallPicture()));
    EXPECT_NE(first.directory(), second.directory());
    first.remove();
    EXPECT_TRUE(QFileInfo::exists(second.url()));
    second.remove();
    EXPECT_TRUE(leftoverFolders().isEmpty());
}

TEST_F(TemporaryImageTest, RemoveIsSilentAndRepeatable)
{
    TemporaryImage crop = await(TemporaryImage::create(smallPicture()));
    QDir(crop.directory()).removeRecursively(); // someone else got there first
    crop.remove();
    crop.remove();
    EXPECT_FALSE(QFileInfo::exists(crop.directory()));
}

TEST_F(TemporaryImageTest, MovedFromAndDefaultValuesRemoveNothing)
{
    // Run from a folder holding a file: an empty path must not turn into
    // "the current directory".
    const QString workingFolder = TestEnvironment::temporaryDirectory() + QStringLiteral("/cwd");
    QDir().mkpath(workingFolder);
    QFile marker(workingFolder + QStringLiteral("/keep.txt"));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    const QString previous = QDir::currentPath();
    QDir::setCurrent(workingFolder);

    TemporaryImage crop = await(TemporaryImage::create(smallPicture()));
    TemporaryImage holder = std::move(crop);
    crop.remove();
    TemporaryImage().remove();
    EXPECT_TRUE(crop.directory().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(holder.url()));
    EXPECT_TRUE(marker.exists());

    holder.remove();
    EXPECT_FALSE(QFileInfo::exists(holder.directory()));
    QDir::setCurrent(previous);
}

TEST_F(TemporaryImageTest, ACropThatCannotBeEncodedLeavesNoFolder)
{
    try {
        await(TemporaryImage::create(QImage()));
        ADD_FAILURE() << "an empty image was written";
    } catch (const TrovError &error) {
        EXPECT_EQ(error.kind(), TrovError::invalidImage);
    }
    EXPECT_TRUE(leftoverFolders().isEmpty());
}

TEST_F(TemporaryImageTest, AFolderThatCannotBeCreatedFailsWithTheSystemsTextAndLeavesNothing)
{
    // A temporary directory so deep that the crop folder's path exceeds
    // PATH_MAX: mkdir fails even for root, while the directory itself exists.
    const QString base = TestEnvironment::temporaryDirectory();
    QString deep = base;
    while (deep.size() < 4096 - 40)
        deep += QLatin1Char('/') + QString(std::min<qsizetype>(200, 4096 - 41 - deep.size()), QLatin1Char('d'));
    ASSERT_TRUE(QDir().mkpath(deep));
    {
        const TemporaryDirectoryOverride override(deep);
        ASSERT_EQ(QDir::tempPath(), deep);
        try {
            await(TemporaryImage::create(smallPicture()));
            ADD_FAILURE() << "a folder was made past the path limit";
        } catch (const TrovError &error) {
            EXPECT_EQ(error.kind(), TrovError::platform);
            EXPECT_TRUE(error.errorDescription().contains(QStringLiteral("File name too long")))
                << error.errorDescription().toStdString();
        }
        EXPECT_TRUE(leftoverFolders().isEmpty());
    }
    QDir(base + QLatin1Char('/') + deep.mid(base.size() + 1).section(QLatin1Char('/'), 0, 0)).removeRecursively();
}

TEST_F(TemporaryImageTest, RemoveDeletesOnlyTheCropAndItsFolderAndNeverFollowsALink)
{
    const QString outside = TestEnvironment::temporaryDirectory() + QStringLiteral("/outside");
    ASSERT_TRUE(QDir().mkpath(outside));
    const QString precious = outside + QStringLiteral("/crop.png");
    const auto keep = [&] {
        QFile file(precious);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    };
    keep();

    // The folder replaced by a link to another folder: that folder is left alone.
    TemporaryImage swapped = await(TemporaryImage::create(smallPicture()));
    QDir(swapped.directory()).removeRecursively();
    ASSERT_EQ(::symlink(QFile::encodeName(outside).constData(), QFile::encodeName(swapped.directory()).constData()), 0);
    swapped.remove();
    EXPECT_TRUE(QFile::exists(precious));
    QFile::remove(swapped.directory());

    // The file replaced by a link: the link goes, its target stays.
    keep();
    TemporaryImage linked = await(TemporaryImage::create(smallPicture()));
    QFile::remove(linked.url());
    ASSERT_TRUE(QFile::link(precious, linked.url()));
    linked.remove();
    EXPECT_TRUE(QFile::exists(precious));
    EXPECT_FALSE(QFileInfo::exists(linked.directory()));

    // Something else put into the folder stays, and the folder with it.
    TemporaryImage shared = await(TemporaryImage::create(smallPicture()));
    QFile other(shared.directory() + QStringLiteral("/other.txt"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    shared.remove();
    EXPECT_FALSE(QFileInfo::exists(shared.url()));
    EXPECT_TRUE(other.exists());
    QDir(shared.directory()).removeRecursively();
}

TEST_F(TemporaryImageTest, ATemporaryDirectoryThatDoesNotExistFallsBackToTmp)
{
    const TemporaryDirectoryOverride override(TestEnvironment::temporaryDirectory() + QStringLiteral("/missing"));
    TemporaryImage crop = await(TemporaryImage::create(smallPicture()));
    EXPECT_EQ(QFileInfo(crop.directory()).absolutePath(), QStringLiteral("/tmp"));
    EXPECT_TRUE(QFileInfo::exists(crop.url()));
    crop.remove();
    EXPECT_FALSE(QFileInfo::exists(crop.directory()));
}

TEST_F(TemporaryImageTest, TheSweepRemovesOnlyOurAbandonedCropFoldersAndNeverFollowsALink)
{
    const QDir temporary(QDir::tempPath());
    const auto cropFolder = [&](const QString &name, bool withCrop = true) {
        const QString path = temporary.filePath(name);
        EXPECT_EQ(::mkdir(QFile::encodeName(path).constData(), 0700), 0);
        if (withCrop) {
            QFile crop(path + QStringLiteral("/crop.png"));
            EXPECT_TRUE(crop.open(QIODevice::WriteOnly));
        }
        return path;
    };
    const auto uuidName = [] {
        return QStringLiteral("ravelond-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    };

    // What a killed run leaves: a crop folder nobody holds.
    const QString abandoned = cropFolder(uuidName());
    const QString abandonedEmpty = cropFolder(uuidName(), false);
    // A crop that a running recognition still uses.
    TemporaryImage inUse = await(TemporaryImage::create(smallPicture()));
    // Not ours to judge: another name, something else inside, a link in a crop folder's place.
    const QString otherName = cropFolder(QStringLiteral("ravelond-notes"));
    const QString withMore = cropFolder(uuidName());
    QFile more(withMore + QStringLiteral("/notes.txt"));
    ASSERT_TRUE(more.open(QIODevice::WriteOnly));
    more.close();
    const QString target = cropFolder(QStringLiteral("link-target"));
    const QString link = temporary.filePath(uuidName());
    ASSERT_TRUE(QFile::link(target, link));
    QString theirs;
    if (::geteuid() == 0) { // another user's folder can only be made by root
        theirs = cropFolder(uuidName());
        ASSERT_EQ(::chown(QFile::encodeName(theirs).constData(), 65534, 65534), 0);
    }

    TemporaryImage::sweepAbandoned();

    EXPECT_FALSE(QFileInfo::exists(abandoned));
    EXPECT_FALSE(QFileInfo::exists(abandonedEmpty));
    EXPECT_TRUE(QFileInfo::exists(inUse.url()));
    EXPECT_TRUE(QFileInfo::exists(otherName));
    EXPECT_TRUE(QFileInfo::exists(withMore + QStringLiteral("/notes.txt")));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(target + QStringLiteral("/crop.png")));
    if (!theirs.isEmpty()) {
        EXPECT_TRUE(QFileInfo::exists(theirs + QStringLiteral("/crop.png")));
    }

    // Once its holder has let go, the crop folder is abandoned too.
    const QString released = inUse.directory();
    inUse = TemporaryImage();
    TemporaryImage::sweepAbandoned();
    EXPECT_FALSE(QFileInfo::exists(released));

    for (const QString &path : {otherName, withMore, target, theirs})
        QDir(path).removeRecursively();
    QFile::remove(link);
}
