#pragma once

#include <QByteArray>
#include <QString>

// Points HOME, the XDG folders and TMPDIR at a fresh private folder for the
// life of the test process, so no test reads or writes the user's files.
class TestEnvironment {
public:
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment &) = delete;
    TestEnvironment &operator=(const TestEnvironment &) = delete;

    // The process-wide private root.
    static QString root();
    // The temporary folder (TMPDIR) inside the root.
    static QString temporaryDirectory();

private:
    QByteArray root_;
};
