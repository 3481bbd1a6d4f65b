#include "support/StandardFace.h"

#include <QFontDatabase>
#include <QGuiApplication>

namespace {
const QString fonts = QStringLiteral("/usr/share/fonts/truetype/");
}

QString StandardFace::load(const QStringList &files)
{
    QString family;
    for (const QString &file : files) {
        const QStringList families = QFontDatabase::applicationFontFamilies(QFontDatabase::addApplicationFont(file));
        if (!families.isEmpty())
            family = families.first();
    }
    return family;
}

QStringList StandardFace::dejaVuSans()
{
    return {fonts + QStringLiteral("dejavu/DejaVuSans.ttf"), fonts + QStringLiteral("dejavu/DejaVuSans-Bold.ttf")};
}

QStringList StandardFace::notoSans()
{
    return {fonts + QStringLiteral("noto/NotoSans-Regular.ttf"), fonts + QStringLiteral("noto/NotoSans-Bold.ttf")};
}

StandardFace::StandardFace(const QString &family) : previous_(QGuiApplication::font())
{
    QFont font = previous_;
    font.setFamilies({family});
    QGuiApplication::setFont(font);
}

StandardFace::~StandardFace()
{
    QGuiApplication::setFont(previous_);
}
