#include "app/CommandLineOptions.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

CommandLineOptions parse(QStringList arguments)
{
    arguments.prepend(QStringLiteral("/usr/bin/ravelond"));
    return CommandLineOptions::parse(arguments);
}

} // namespace

TEST(CommandLineOptionsTest, FirstOccurrenceOfAValuedOptionWinsAndTakesTheNextArgumentWhateverItIs)
{
    const auto options = parse({"--open-image", "/a.png", "--open-image", "/b.png"});
    EXPECT_EQ(options.openImage, QStringLiteral("/a.png"));

    const auto dashed = parse({"--open-image", "--welcome"});
    EXPECT_EQ(dashed.openImage, QDir::current().absoluteFilePath(QStringLiteral("--welcome")));
    EXPECT_TRUE(dashed.welcome);
}

TEST(CommandLineOptionsTest, AValuedOptionAsTheLastArgumentIsIgnored)
{
    const auto options = parse({"--welcome", "--smoke-test"});
    EXPECT_FALSE(options.smokeTestReport.has_value());
    EXPECT_TRUE(options.welcome);
}

TEST(CommandLineOptionsTest, OptionsMatchOnlyAsWholeCaseSensitiveArguments)
{
    const auto options = parse({"--smoke-test=/r.json", "--Welcome", "--with-mlx-x", "-open-image", "x"});
    EXPECT_FALSE(options.smokeTestReport.has_value());
    EXPECT_FALSE(options.welcome);
    EXPECT_FALSE(options.withMLX);
    EXPECT_FALSE(options.openImage.has_value());
}

TEST(CommandLineOptionsTest, TheProgramPathIsNeverAnOption)
{
    const auto options = CommandLineOptions::parse({"--welcome"});
    EXPECT_FALSE(options.welcome);
}

TEST(CommandLineOptionsTest, RelativePathsResolveAgainstTheCurrentDirectory)
{
    const auto options = parse({"--smoke-test", "out/report.json", "--with-mlx"});
    EXPECT_EQ(options.smokeTestReport, QDir::current().absoluteFilePath(QStringLiteral("out/report.json")));
    EXPECT_TRUE(options.withMLX);
}

TEST(CommandLineOptionsTest, FilesOpenedTogetherFromTheDesktopReachOneProcessWhichImportsTheFirst)
{
    QFile entry(QStringLiteral(RAVELOND_SOURCE_DIR "/resources/desktop/app.ravelond.Ravelond.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QRegularExpressionMatch exec =
        QRegularExpression(QStringLiteral("^Exec=(.*)$"), QRegularExpression::MultilineOption)
            .match(QString::fromUtf8(entry.readAll()));
    ASSERT_TRUE(exec.hasMatch());
    QStringList arguments = exec.captured(1).split(u' ', Qt::SkipEmptyParts);
    // %F: one launch for all the files, each its own argument (%f would start one process per file).
    const qsizetype files = arguments.indexOf(QStringLiteral("%F"));
    ASSERT_GE(files, 0) << exec.captured(1).toStdString();
    arguments.replace(files, QStringLiteral("/pictures/one.png"));
    arguments.insert(files + 1, QStringLiteral("/pictures/two.png"));
    arguments.insert(files + 2, QStringLiteral("/pictures/three.png"));
    EXPECT_EQ(CommandLineOptions::parse(arguments).openImage, QStringLiteral("/pictures/one.png"));
}
