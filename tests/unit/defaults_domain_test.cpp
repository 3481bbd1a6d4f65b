#include "platform/DefaultsDomain.h"

#include <QFile>
#include <QUuid>
#include <gtest/gtest.h>

namespace {

QString freshDomainName()
{
    return QStringLiteral("app.ravelond.Ravelond.test.") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

} // namespace

TEST(DefaultsDomainTest, WritesReachTheFileAtOnceAndSurviveANewInstance)
{
    const QString name = freshDomainName();
    {
        DefaultsDomain domain(name);
        domain.setValue(QStringLiteral("engine"), QStringLiteral("mlx"));
        domain.setValue(QStringLiteral("playSound"), false);
        EXPECT_TRUE(QFile::exists(domain.filePath()));
        EXPECT_TRUE(domain.filePath().endsWith(QStringLiteral("/") + name + QStringLiteral(".conf")));
    }
    DefaultsDomain reopened(name);
    EXPECT_EQ(reopened.value(QStringLiteral("engine")).toString(), QStringLiteral("mlx"));
    EXPECT_FALSE(reopened.value(QStringLiteral("playSound")).toBool());
    reopened.removeDomain();
}

TEST(DefaultsDomainTest, RegisteredDefaultsAreReadButNeverWritten)
{
    DefaultsDomain domain(freshDomainName());
    domain.registerDefaults({{QStringLiteral("language"), QStringLiteral("auto")}});
    EXPECT_EQ(domain.value(QStringLiteral("language")).toString(), QStringLiteral("auto"));
    EXPECT_FALSE(domain.contains(QStringLiteral("language")));
    EXPECT_FALSE(domain.storedValue(QStringLiteral("language")).isValid());
    domain.setValue(QStringLiteral("language"), QStringLiteral("deu"));
    EXPECT_EQ(domain.value(QStringLiteral("language")).toString(), QStringLiteral("deu"));
    domain.removeValue(QStringLiteral("language"));
    EXPECT_EQ(domain.value(QStringLiteral("language")).toString(), QStringLiteral("auto"));
    domain.removeDomain();
}

TEST(DefaultsDomainTest, RemovingTheDomainDeletesItsFile)
{
    DefaultsDomain domain(freshDomainName());
    domain.setValue(QStringLiteral("hasSeenWelcome"), true);
    ASSERT_TRUE(QFile::exists(domain.filePath()));
    domain.removeDomain();
    EXPECT_FALSE(QFile::exists(domain.filePath()));
    EXPECT_FALSE(domain.value(QStringLiteral("hasSeenWelcome")).isValid());
}
