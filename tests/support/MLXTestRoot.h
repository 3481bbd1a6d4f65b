#pragma once

#include <QString>

// A private local-engine folder for one test, named by RAVELOND_MLX_ROOT, with
// a fake interpreter standing in for the private runtime.
class MLXTestRoot {
public:
    MLXTestRoot();
    ~MLXTestRoot();
    MLXTestRoot(const MLXTestRoot &) = delete;
    MLXTestRoot &operator=(const MLXTestRoot &) = delete;

    QString path() const { return path_; }
    QString python() const;

    // runtime/bin/python3 runs tests/support/fake_interpreters/fake_worker.py
    // with `scenario`; ready.json is written too when `ready`.
    void installFakeWorker(const QString &scenario, bool ready = true);
    void markReady();

    // A set-up interpreter in the folder (bin/python-<scenario>) that runs
    // fake_setup.py with `scenario`.
    QString fakeSetupPython(const QString &scenario) const;

    // A file whose content tells the fake worker how to answer the request for it.
    QString instruction(const QString &content);

    // Writes an executable shell script at `path` that runs the fake script
    // `fakeScript` (a file name in fake_interpreters/) with `scenario` in the
    // same process (exec), followed by the arguments it was given.
    static void writeFakeInterpreter(const QString &path, const QString &fakeScript, const QString &scenario);
    static QString fakeInterpreterDirectory();

private:
    QString path_;
    int instructions_ = 0;
};
