#pragma once

#include <QString>
#include <QStringList>

// Where the program keeps its files, named after the bundle identifier.
class AppDirectories {
public:
    // The program's identity: desktop file name, folder names, defaults domain.
    static constexpr const char *bundleIdentifier = "app.ravelond.Ravelond";

    // ~/.local/share/app.ravelond.Ravelond (not created here).
    static QString applicationSupportDirectory();

    // The INI file that stores the defaults domain `domain`.
    static QString defaultsDomainFile(const QString &domain);

    // The folders that may hold Ravelond_Ravelond.bundle, most preferred first.
    static QStringList resourceBundleCandidates();
};
