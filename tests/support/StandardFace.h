#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

// Makes a face the application's standard one while it lives, loaded from its
// files, whatever the machine's font configuration makes the default.
class StandardFace {
public:
    // The family the files hold; empty when they are not installed.
    static QString load(const QStringList &files);
    static QStringList dejaVuSans();
    static QStringList notoSans();

    explicit StandardFace(const QString &family);
    ~StandardFace();
    StandardFace(const StandardFace &) = delete;
    StandardFace &operator=(const StandardFace &) = delete;

private:
    QFont previous_;
};
