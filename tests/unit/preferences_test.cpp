#include "models/ShortcutPreset.h"
#include "platform/DefaultsDomain.h"
#include "stores/Preferences.h"

#include <QSignalSpy>
#include <QUuid>
#include <gtest/gtest.h>

namespace {

const QStringList settingKeys = {
    QStringLiteral("engine"),          QStringLiteral("keepLineBreaks"),   QStringLiteral("playSound"),
    QStringLiteral("rememberSession"), QStringLiteral("clipboardHistory"), QStringLiteral("persistClipboardHistory"),
    QStringLiteral("language"),        QStringLiteral("shortcut"),         QStringLiteral("mlxTask"),
    QStringLiteral("hasSeenWelcome"),
};

class PreferencesTest : public ::testing::Test {
protected:
    ~PreferencesTest() override { domain.removeDomain(); }

    DefaultsDomain domain{QStringLiteral("app.ravelond.Ravelond.test.") +
                          QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()};
};

} // namespace

TEST_F(PreferencesTest, AnEmptyStoreGivesTheDefaultsAndStaysEmpty)
{
    Preferences preferences(domain);
    EXPECT_EQ(preferences.engine(), OCREngine::vision);
    EXPECT_TRUE(preferences.keepLineBreaks());
    EXPECT_TRUE(preferences.playSound());
    EXPECT_FALSE(preferences.rememberSession());
    EXPECT_FALSE(preferences.clipboardHistory());
    EXPECT_FALSE(preferences.persistClipboardHistory());
    EXPECT_EQ(preferences.language(), QStringLiteral("auto"));
    EXPECT_EQ(preferences.shortcut(), ShortcutPreset::controlOptionC);
    EXPECT_EQ(preferences.mlxTask(), MLXTask::text);
    EXPECT_FALSE(preferences.hasSeenWelcome());
    for (const QString &key : settingKeys)
        EXPECT_FALSE(domain.contains(key)) << key.toStdString();
}

TEST_F(PreferencesTest, StringsThatNameNoCaseReadAsTheFirstCaseAndStayStoredUntilAssigned)
{
    domain.setValue(QStringLiteral("engine"), QStringLiteral("MLX"));
    domain.setValue(QStringLiteral("shortcut"), QStringLiteral("ControlShift2"));
    domain.setValue(QStringLiteral("mlxTask"), QStringLiteral("poem"));
    Preferences preferences(domain);
    EXPECT_EQ(preferences.engine(), OCREngine::vision);
    EXPECT_EQ(preferences.shortcut(), ShortcutPreset::controlOptionC);
    EXPECT_EQ(preferences.mlxTask(), MLXTask::text);
    EXPECT_EQ(domain.storedValue(QStringLiteral("engine")).toString(), QStringLiteral("MLX"));
    EXPECT_EQ(domain.storedValue(QStringLiteral("shortcut")).toString(), QStringLiteral("ControlShift2"));

    preferences.setEngine(OCREngine::vision);
    EXPECT_EQ(domain.storedValue(QStringLiteral("engine")).toString(), QStringLiteral("vision"));
    EXPECT_EQ(domain.storedValue(QStringLiteral("shortcut")).toString(), QStringLiteral("ControlShift2"));
}

TEST_F(PreferencesTest, EveryAssignmentIsStoredAtOnceAndReadByTheNextInstance)
{
    {
        Preferences preferences(domain);
        preferences.setKeepLineBreaks(false);
        preferences.setEngine(OCREngine::mlx);
        preferences.setLanguage(QStringLiteral("deu"));
        preferences.setShortcut(ShortcutPreset::commandShift2);
        preferences.setMlxTask(MLXTask::table);
        preferences.setClipboardHistory(true);
        preferences.setPersistClipboardHistory(true);
        preferences.setRememberSession(true);
        preferences.setPlaySound(false);
        preferences.setHasSeenWelcome(true);
    }
    DefaultsDomain reopenedDomain(domain.name());
    Preferences reopened(reopenedDomain);
    EXPECT_FALSE(reopened.keepLineBreaks()) << "the stored false wins over the registered true";
    EXPECT_EQ(reopened.engine(), OCREngine::mlx);
    EXPECT_EQ(reopened.language(), QStringLiteral("deu"));
    EXPECT_EQ(reopened.shortcut(), ShortcutPreset::commandShift2);
    EXPECT_EQ(reopened.mlxTask(), MLXTask::table);
    EXPECT_TRUE(reopened.clipboardHistory());
    EXPECT_TRUE(reopened.persistClipboardHistory());
    EXPECT_TRUE(reopened.rememberSession());
    EXPECT_FALSE(reopened.playSound());
    EXPECT_TRUE(reopened.hasSeenWelcome());
    EXPECT_EQ(reopenedDomain.storedValue(QStringLiteral("shortcut")).toString(), QStringLiteral("commandShift2"));
}

TEST_F(PreferencesTest, AssigningTheCurrentValueStillStoresAndNotifies)
{
    Preferences preferences(domain);
    QSignalSpy notices(&preferences, &Preferences::aboutToChange);
    QSignalSpy changes(&preferences, &Preferences::playSoundChanged);

    preferences.setPlaySound(true);

    EXPECT_TRUE(domain.contains(QStringLiteral("playSound")));
    EXPECT_EQ(notices.count(), 1);
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.first().first().toBool(), true);
}

TEST_F(PreferencesTest, TheChangeNoticeComesFirstAndTheSettingsSignalOnceTheValueIsStored)
{
    Preferences preferences(domain);
    QStringList events;
    QObject::connect(&preferences, &Preferences::aboutToChange, [&] {
        events.append(QStringLiteral("notice, property %1").arg(preferences.shortcut().rawValue()));
    });
    QObject::connect(&preferences, &Preferences::shortcutChanged, [&](ShortcutPreset value) {
        events.append(QStringLiteral("signal %1, property %2, stored %3")
                          .arg(value.rawValue(), preferences.shortcut().rawValue(),
                               domain.value(QStringLiteral("shortcut")).toString()));
    });

    preferences.setShortcut(ShortcutPreset::controlShift2);

    EXPECT_EQ(events,
              (QStringList{QStringLiteral("notice, property controlOptionC"),
                           QStringLiteral("signal controlShift2, property controlShift2, stored controlShift2")}));
}

TEST(ShortcutPresetTest, RawValuesAndLabelsAreExact)
{
    const QList<ShortcutPreset> presets = ShortcutPreset::allCases();
    ASSERT_EQ(presets.size(), 3);
    EXPECT_EQ(presets[0].rawValue(), QStringLiteral("controlOptionC"));
    EXPECT_EQ(presets[1].rawValue(), QStringLiteral("controlShift2"));
    EXPECT_EQ(presets[2].rawValue(), QStringLiteral("commandShift2"));
    EXPECT_EQ(presets[0].label().toUtf8(), QByteArray("\xE2\x8C\x83 \xE2\x8C\xA5 C"));
    EXPECT_EQ(presets[1].label().toUtf8(), QByteArray("\xE2\x8C\x83 \xE2\x87\xA7 2"));
    EXPECT_EQ(presets[2].label().toUtf8(), QByteArray("\xE2\x8C\x98 \xE2\x87\xA7 2"));
    for (ShortcutPreset preset : presets) {
        EXPECT_EQ(ShortcutPreset::fromRawValue(preset.rawValue()), preset);
        EXPECT_EQ(preset.id(), preset.rawValue());
    }
    EXPECT_FALSE(ShortcutPreset::fromRawValue(u"controloptionc").has_value());
    EXPECT_FALSE(ShortcutPreset::fromRawValue(u"").has_value());
}
