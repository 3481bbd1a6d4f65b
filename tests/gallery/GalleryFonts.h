#pragma once

#include <QList>
#include <QString>

// The desktop faces the gallery pictures every view in. Fontconfig is pointed
// at these faces alone, so the pictures do not depend on what else the
// machine has installed.
namespace GalleryFonts {

struct Family {
    QString name;
    // Where its pictures go, relative to the gallery's output folder.
    QString folder;
};

QList<Family> families();
// Before the application exists: a fontconfig set-up of a folder in `root`
// that holds the families' faces and the monospaced face, nothing else.
void useOnly(const QString &root);
// Makes `family` the application's standard face, as a desktop whose
// sans-serif face it is would; false when it is not installed.
bool makeStandard(const Family &family);

} // namespace GalleryFonts
