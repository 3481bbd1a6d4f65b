#include "stores/Preferences.h"

#include "platform/DefaultsDomain.h"

namespace {

const QString engineKey = QStringLiteral("engine");
const QString keepLineBreaksKey = QStringLiteral("keepLineBreaks");
const QString playSoundKey = QStringLiteral("playSound");
const QString rememberSessionKey = QStringLiteral("rememberSession");
const QString clipboardHistoryKey = QStringLiteral("clipboardHistory");
const QString persistClipboardHistoryKey = QStringLiteral("persistClipboardHistory");
const QString languageKey = QStringLiteral("language");
const QString shortcutKey = QStringLiteral("shortcut");
const QString mlxTaskKey = QStringLiteral("mlxTask");
const QString hasSeenWelcomeKey = QStringLiteral("hasSeenWelcome");

const QString automaticLanguage = QStringLiteral("auto");

// Registered before anything is read, so that they answer while nothing is
// stored; they live only in memory.
DefaultsDomain &withRegisteredDefaults(DefaultsDomain &defaults)
{
    defaults.registerDefaults({
        {keepLineBreaksKey, true},
        {playSoundKey, true},
        {rememberSessionKey, false},
        {languageKey, automaticLanguage},
    });
    return defaults;
}

} // namespace

// A stored string that names no case reads as the first case; it stays in the
// store, untouched, until the setting is next assigned.
Preferences::Preferences(DefaultsDomain &defaults, QObject *parent)
    : QObject(parent), defaults_(withRegisteredDefaults(defaults)),
      engine_(OCREngine::fromRawValue(storedString(engineKey)).value_or(OCREngine::vision)),
      keepLineBreaks_(storedBool(keepLineBreaksKey)), playSound_(storedBool(playSoundKey)),
      rememberSession_(storedBool(rememberSessionKey)), clipboardHistory_(storedBool(clipboardHistoryKey)),
      persistClipboardHistory_(storedBool(persistClipboardHistoryKey)),
      language_(defaults_.value(languageKey).isValid() ? storedString(languageKey) : automaticLanguage),
      shortcut_(ShortcutPreset::fromRawValue(storedString(shortcutKey)).value_or(ShortcutPreset::controlOptionC)),
      mlxTask_(MLXTask::fromRawValue(storedString(mlxTaskKey)).value_or(MLXTask::text)),
      hasSeenWelcome_(storedBool(hasSeenWelcomeKey))
{
}

bool Preferences::storedBool(const QString &key) const
{
    return defaults_.value(key).toBool();
}

QString Preferences::storedString(const QString &key) const
{
    return defaults_.value(key).toString();
}

// The order observers rely on: the change notice, then the new value and the
// store, then the setting's own signal.
template <typename T>
void Preferences::assign(T &setting, T value, const QString &key, const QVariant &stored,
                         void (Preferences::*changed)(T))
{
    Q_EMIT aboutToChange();
    setting = std::move(value);
    defaults_.setValue(key, stored);
    Q_EMIT(this->*changed)(setting);
}

void Preferences::setEngine(OCREngine value)
{
    assign(engine_, value, engineKey, value.rawValue(), &Preferences::engineChanged);
}

void Preferences::setKeepLineBreaks(bool value)
{
    assign(keepLineBreaks_, value, keepLineBreaksKey, value, &Preferences::keepLineBreaksChanged);
}

void Preferences::setPlaySound(bool value)
{
    assign(playSound_, value, playSoundKey, value, &Preferences::playSoundChanged);
}

void Preferences::setRememberSession(bool value)
{
    assign(rememberSession_, value, rememberSessionKey, value, &Preferences::rememberSessionChanged);
}

void Preferences::setClipboardHistory(bool value)
{
    assign(clipboardHistory_, value, clipboardHistoryKey, value, &Preferences::clipboardHistoryChanged);
}

void Preferences::setPersistClipboardHistory(bool value)
{
    assign(persistClipboardHistory_, value, persistClipboardHistoryKey, value,
           &Preferences::persistClipboardHistoryChanged);
}

void Preferences::setLanguage(QString value)
{
    assign(language_, value, languageKey, value, &Preferences::languageChanged);
}

void Preferences::setShortcut(ShortcutPreset value)
{
    assign(shortcut_, value, shortcutKey, value.rawValue(), &Preferences::shortcutChanged);
}

void Preferences::setMlxTask(MLXTask value)
{
    assign(mlxTask_, value, mlxTaskKey, value.rawValue(), &Preferences::mlxTaskChanged);
}

void Preferences::setHasSeenWelcome(bool value)
{
    assign(hasSeenWelcome_, value, hasSeenWelcomeKey, value, &Preferences::hasSeenWelcomeChanged);
}
