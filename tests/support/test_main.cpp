#include "support/TestEnvironment.h"

#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <cstring>

namespace {

bool onlyListingTests(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (onlyListingTests(argc, argv))
        return RUN_ALL_TESTS();

    // Every test process gets its own home, config, data and temporary folders.
    TestEnvironment environment;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
