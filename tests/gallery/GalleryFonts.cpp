#include "gallery/GalleryFonts.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>

#include <cstdlib>

namespace {

// The faces the pictures may use, by file: both sans-serif families and the
// monospaced face of key caps and counts.
const char *const faceFolders[] = {"/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/truetype/noto"};
const QStringList facePatterns = {QStringLiteral("DejaVuSans.ttf"), QStringLiteral("DejaVuSans-Bold.ttf"),
                                  QStringLiteral("DejaVuSansMono*.ttf"), QStringLiteral("NotoSans-*.ttf")};

QString configuration(const QString &faces, const QString &cache)
{
    return QStringLiteral(R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>%1</dir>
  <cachedir>%2</cachedir>
  <alias><family>sans-serif</family><prefer><family>DejaVu Sans</family></prefer></alias>
  <alias><family>monospace</family><prefer><family>DejaVu Sans Mono</family></prefer></alias>
</fontconfig>
)")
        .arg(faces, cache);
}

} // namespace

QList<GalleryFonts::Family> GalleryFonts::families()
{
    return {{QStringLiteral("DejaVu Sans"), QStringLiteral(".")},
            {QStringLiteral("Noto Sans"), QStringLiteral("noto-sans")}};
}

void GalleryFonts::useOnly(const QString &root)
{
    const QDir base(root);
    base.mkpath(QStringLiteral("fonts/faces"));
    const QString faces = base.filePath(QStringLiteral("fonts/faces"));
    for (const char *folder : faceFolders) {
        const QDir source(QString::fromLatin1(folder));
        for (const QString &file : source.entryList(facePatterns, QDir::Files))
            QFile::link(source.filePath(file), QDir(faces).filePath(file));
    }
    const QString path = base.filePath(QStringLiteral("fonts/fonts.conf"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(configuration(faces, base.filePath(QStringLiteral("fonts/cache"))).toUtf8());
    setenv("FONTCONFIG_FILE", QFile::encodeName(path).constData(), 1);
}

bool GalleryFonts::makeStandard(const Family &family)
{
    QFont font = QGuiApplication::font();
    font.setFamilies({family.name});
    QGuiApplication::setFont(font);
    return QFontInfo(font).family() == family.name;
}
