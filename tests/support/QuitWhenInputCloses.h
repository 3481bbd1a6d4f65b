#pragma once

#include <QCoreApplication>
#include <QSocketNotifier>

#include <unistd.h>

// Ends the application once its standard input closes: a helper program lives
// as long as the test that started it keeps its input open, and no longer.
inline void quitWhenInputCloses()
{
    auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(input, &QSocketNotifier::activated, input, [] {
        char buffer[256];
        if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            QCoreApplication::quit();
    });
}
