#pragma once

#include "support/ChildProcesses.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <chrono>

// A test that starts child processes: afterwards none of them, nor anything
// they spawned, may still be running. Objects that own processes must be
// locals of the test body, gone before TearDown.
class ChildProcessTest : public ::testing::Test {
protected:
    void SetUp() override { ChildProcesses::adoptOrphans(); }

    void TearDown() override
    {
        if (ChildProcesses::waitUntilNoneLeft(std::chrono::seconds(10)))
            return;
        QStringList left;
        for (pid_t pid : ChildProcesses::living())
            left.append(QString::number(pid));
        ADD_FAILURE() << "processes left behind: " << left.join(QLatin1Char(' ')).toStdString();
    }
};
