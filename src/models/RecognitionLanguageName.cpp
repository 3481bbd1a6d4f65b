#include "models/RecognitionLanguageName.h"

#include <QHash>
#include <QLocale>
#include <QStringList>

namespace {

const QString scriptFolder = QStringLiteral("script/");
const QString verticalSuffix = QStringLiteral("_vert");

// The suffixes the recogniser's data files use besides ISO 15924 script codes.
QString variantName(const QString &suffix)
{
    static const QHash<QString, QString> names{
        {QStringLiteral("sim"), QStringLiteral("Simplified")}, {QStringLiteral("tra"), QStringLiteral("Traditional")},
        {QStringLiteral("vert"), QStringLiteral("vertical")},  {QStringLiteral("old"), QStringLiteral("Old")},
        {QStringLiteral("frak"), QStringLiteral("Fraktur")},   {QStringLiteral("latf"), QStringLiteral("Fraktur")},
    };
    if (const auto known = names.constFind(suffix.toLower()); known != names.cend())
        return *known;
    const QLocale::Script script = QLocale::codeToScript(suffix);
    return script == QLocale::AnyScript ? suffix : QLocale::scriptToString(script);
}

// "HanS_vert" → "Han Simplified script (vertical)".
QString scriptModelName(QString script)
{
    const bool vertical = script.endsWith(verticalSuffix);
    if (vertical)
        script.chop(verticalSuffix.size());
    if (script == QLatin1String("HanS"))
        script = QStringLiteral("Han Simplified");
    else if (script == QLatin1String("HanT"))
        script = QStringLiteral("Han Traditional");
    script.replace(QLatin1Char('_'), QLatin1Char(' '));
    return script + QStringLiteral(" script") + (vertical ? QStringLiteral(" (vertical)") : QString());
}

} // namespace

QString RecognitionLanguageName::of(const QString &code)
{
    if (code.startsWith(scriptFolder) && code.size() > scriptFolder.size())
        return scriptModelName(code.mid(scriptFolder.size()));
    QStringList parts = code.split(QLatin1Char('_'));
    const QLocale::Language language = QLocale::codeToLanguage(parts.takeFirst(), QLocale::AnyLanguageCode);
    if (language == QLocale::AnyLanguage || language == QLocale::C)
        return code;
    QStringList variants;
    for (const QString &part : parts) {
        if (!part.isEmpty())
            variants.append(variantName(part));
    }
    const QString name = QLocale::languageToString(language);
    return variants.isEmpty() ? name
                              : name + QStringLiteral(" (") + variants.join(QStringLiteral(", ")) + QLatin1Char(')');
}
