#include "app/CommandLineOptions.h"

#include <QDir>
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
