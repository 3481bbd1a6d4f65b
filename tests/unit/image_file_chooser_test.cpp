#include "support/ImageFixtures.h"
#include "support/Patience.h"
#include "support/TestEnvironment.h"

#include "views/ImageFileChooser.h"

#include <QApplication>
#include <QFileDialog>
#include <QTest>
#include <gtest/gtest.h>

TEST(ImageFileChooserTest, OneDialogAtATimeOpensOnEveryImageTypeAndHandsTheChoiceToTheLatestRequest)
{
    QStringList first;
    QStringList latest;
    ImageFileChooser::choose([&](const QString &path) { first << path; });
    ImageFileChooser::choose([&](const QString &path) { latest << path; });
    QFileDialog *dialog = ImageFileChooser::dialog();
    ASSERT_NE(dialog, nullptr);
    int shown = 0;
    for (QWidget *window : QApplication::topLevelWidgets())
        shown += qobject_cast<QFileDialog *>(window) && window->isVisible();
    EXPECT_EQ(shown, 1) << "a second request brings the open dialog forward";

    // Every readable type together, selected, then each type alone.
    const QStringList filters = dialog->nameFilters();
    ASSERT_GT(filters.size(), 3);
    EXPECT_EQ(dialog->selectedNameFilter(), filters.first());
    EXPECT_TRUE(filters.first().startsWith(QStringLiteral("Images (")));
    for (const char *pattern : {"*.png", "*.jpg", "*.jpeg", "*.gif", "*.bmp", "*.tiff", "*.webp", "*.heic"})
        EXPECT_TRUE(filters.first().contains(QLatin1String(pattern))) << pattern;
    for (const QString &single : filters.mid(1))
        EXPECT_FALSE(single.startsWith(QStringLiteral("Images"))) << single.toStdString();

    const QString picture = TestEnvironment::temporaryDirectory() + QStringLiteral("/choice.png");
    ASSERT_TRUE(ImageFixtures::text(QStringLiteral("Wren"), 40).save(picture));
    dialog->selectFile(picture);
    QMetaObject::invokeMethod(dialog, "accept");
    EXPECT_EQ(latest, QStringList{picture});
    EXPECT_TRUE(first.isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([] { return ImageFileChooser::dialog() == nullptr; }, Patience::untilHung));
}
