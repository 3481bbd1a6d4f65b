#include "services/TesseractLanguages.h"

#include "models/TrovError.h"

#include <QLocale>

#include <tesseract/baseapi.h>

#include <mutex>
#include <string>
#include <vector>

namespace {

const QString english = QStringLiteral("eng");

} // namespace

QStringList TesseractLanguages::installed()
{
    // Tesseract works out its data folder (TESSDATA_PREFIX or its built-in
    // default) only inside Init. A language name that cannot exist makes it do
    // just that, quickly, without loading any model.
    silenceDiagnostics();
    tesseract::TessBaseAPI probe;
    probe.Init(nullptr, "-no-such-language-", tesseract::OEM_LSTM_ONLY);
    std::vector<std::string> found;
    probe.GetAvailableLanguagesAsVector(&found);

    QStringList languages;
    for (const std::string &code : found) {
        const QString language = QString::fromStdString(code);
        if (language != QLatin1String("osd") && language != QLatin1String("equ") && !languages.contains(language))
            languages.append(language);
    }
    languages.sort();
    return languages;
}

QString TesseractLanguages::resolve(const QString &language)
{
    const QStringList available = installed();
    if (language == QLatin1String(automatic)) {
        const QStringList selection = automaticSelection(available, userInterfaceCodes());
        if (selection.isEmpty())
            throw TrovError::platformFailure(QStringLiteral("No Tesseract language data is installed."));
        return selection.join(QLatin1Char('+'));
    }
    for (const QString &code : language.split(QLatin1Char('+'))) {
        if (!available.contains(code))
            throw TrovError::platformFailure(
                QStringLiteral("The text recognition language “%1” is not installed.").arg(code));
    }
    return language;
}

QStringList TesseractLanguages::userInterfaceCodes()
{
    QStringList codes;
    for (const QString &name : QLocale::system().uiLanguages()) {
        const QString code = tesseractCode(QLocale(name));
        if (!code.isEmpty() && !codes.contains(code))
            codes.append(code);
    }
    return codes.isEmpty() ? QStringList{english} : codes;
}

QString TesseractLanguages::tesseractCode(const QLocale &locale)
{
    switch (locale.language()) {
    case QLocale::C:
    case QLocale::English:
        return english;
    case QLocale::Chinese: {
        const bool traditional = locale.script() == QLocale::TraditionalHanScript ||
                                 locale.territory() == QLocale::Taiwan || locale.territory() == QLocale::HongKong ||
                                 locale.territory() == QLocale::Macao;
        return traditional ? QStringLiteral("chi_tra") : QStringLiteral("chi_sim");
    }
    case QLocale::NorwegianBokmal:
    case QLocale::NorwegianNynorsk:
        // Tesseract has one Norwegian model, under the macrolanguage's code.
        return QStringLiteral("nor");
    default:
        // Tesseract names its models by the ISO 639-2 terminology codes.
        const QString code = QLocale::languageToCode(locale.language(), QLocale::ISO639Part2T);
        return code.isEmpty() ? QLocale::languageToCode(locale.language(), QLocale::ISO639Alpha3) : code;
    }
}

QStringList TesseractLanguages::automaticSelection(const QStringList &installed, const QStringList &userLanguages)
{
    QStringList selection;
    for (const QString &code : userLanguages + QStringList{english}) {
        if (installed.contains(code) && !selection.contains(code) && selection.size() < automaticLimit)
            selection.append(code);
    }
    // English keeps its place when the user's own languages fill the list.
    if (installed.contains(english) && !selection.contains(english)) {
        selection.removeLast();
        selection.append(english);
    }
    if (selection.isEmpty() && !installed.isEmpty())
        selection.append(installed.first());
    return selection;
}

void TesseractLanguages::silenceDiagnostics()
{
    static std::once_flag silenced;
    std::call_once(silenced, [] {
        tesseract::TessBaseAPI api;
        api.SetVariable("debug_file", "/dev/null");
    });
}
