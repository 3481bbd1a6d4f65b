#include "support/TessdataFolder.h"

#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QUuid>

TessdataFolder::TessdataFolder(const QStringList &codes)
    : path_(TestEnvironment::temporaryDirectory() + QStringLiteral("/tessdata-") +
            QUuid::createUuid().toString(QUuid::WithoutBraces)),
      hadPrefix_(qEnvironmentVariableIsSet("TESSDATA_PREFIX")), previousPrefix_(qgetenv("TESSDATA_PREFIX"))
{
    for (const QString &code : codes)
        writeFile(path_ + QLatin1Char('/') + code + QStringLiteral(".traineddata"), {});
    QDir().mkpath(path_);
    qputenv("TESSDATA_PREFIX", path_.toLocal8Bit() + '/');
}

TessdataFolder::~TessdataFolder()
{
    if (hadPrefix_)
        qputenv("TESSDATA_PREFIX", previousPrefix_);
    else
        qunsetenv("TESSDATA_PREFIX");
    QDir(path_).removeRecursively();
}

QStringList TessdataFolder::thirtyLanguages()
{
    return {
        QStringLiteral("ara"), QStringLiteral("ces"),      QStringLiteral("chi_sim"), QStringLiteral("chi_tra"),
        QStringLiteral("dan"), QStringLiteral("deu"),      QStringLiteral("ell"),     QStringLiteral("eng"),
        QStringLiteral("fin"), QStringLiteral("fra"),      QStringLiteral("heb"),     QStringLiteral("hin"),
        QStringLiteral("hun"), QStringLiteral("ind"),      QStringLiteral("ita"),     QStringLiteral("jpn"),
        QStringLiteral("kor"), QStringLiteral("nld"),      QStringLiteral("nor"),     QStringLiteral("pol"),
        QStringLiteral("por"), QStringLiteral("ron"),      QStringLiteral("rus"),     QStringLiteral("slk"),
        QStringLiteral("spa"), QStringLiteral("srp_latn"), QStringLiteral("swe"),     QStringLiteral("tha"),
        QStringLiteral("tur"), QStringLiteral("ukr"),
    };
}
