#pragma once

#include "models/MLXTask.h"
#include "models/OCREngine.h"
#include "models/ShortcutPreset.h"

#include <QObject>
#include <QString>

class DefaultsDomain;

// The user's ten settings, each stored in a defaults domain under a key equal
// to its name and written at once on every assignment.
//
// Each setting is followed through its signal `<name>Changed`, sent after the
// new value is stored, on every assignment, also of an equal value.
class Preferences final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool keepLineBreaks READ keepLineBreaks WRITE setKeepLineBreaks NOTIFY keepLineBreaksChanged)
    Q_PROPERTY(bool playSound READ playSound WRITE setPlaySound NOTIFY playSoundChanged)
    Q_PROPERTY(bool rememberSession READ rememberSession WRITE setRememberSession NOTIFY rememberSessionChanged)
    Q_PROPERTY(bool clipboardHistory READ clipboardHistory WRITE setClipboardHistory NOTIFY clipboardHistoryChanged)
    Q_PROPERTY(bool persistClipboardHistory READ persistClipboardHistory WRITE setPersistClipboardHistory NOTIFY
                   persistClipboardHistoryChanged)
    Q_PROPERTY(QString language READ language WRITE setLanguage NOTIFY languageChanged)
    Q_PROPERTY(bool hasSeenWelcome READ hasSeenWelcome WRITE setHasSeenWelcome NOTIFY hasSeenWelcomeChanged)

public:
    // Reads every setting from `defaults` (held, not owned) and writes nothing.
    explicit Preferences(DefaultsDomain &defaults, QObject *parent = nullptr);

    DefaultsDomain &defaults() const { return defaults_; }

    OCREngine engine() const { return engine_; }
    bool keepLineBreaks() const { return keepLineBreaks_; }
    bool playSound() const { return playSound_; }
    bool rememberSession() const { return rememberSession_; }
    bool clipboardHistory() const { return clipboardHistory_; }
    bool persistClipboardHistory() const { return persistClipboardHistory_; }
    QString language() const { return language_; }
    ShortcutPreset shortcut() const { return shortcut_; }
    MLXTask mlxTask() const { return mlxTask_; }
    bool hasSeenWelcome() const { return hasSeenWelcome_; }

    void setEngine(OCREngine value);
    void setKeepLineBreaks(bool value);
    void setPlaySound(bool value);
    void setRememberSession(bool value);
    void setClipboardHistory(bool value);
    void setPersistClipboardHistory(bool value);
    void setLanguage(QString value);
    void setShortcut(ShortcutPreset value);
    void setMlxTask(MLXTask value);
    void setHasSeenWelcome(bool value);

Q_SIGNALS:
    // Sent before any setting takes a new value; views redraw on it.
    void aboutToChange();

    void engineChanged(OCREngine value);
    void keepLineBreaksChanged(bool value);
    void playSoundChanged(bool value);
    void rememberSessionChanged(bool value);
    void clipboardHistoryChanged(bool value);
    void persistClipboardHistoryChanged(bool value);
    void languageChanged(QString value);
    void shortcutChanged(ShortcutPreset value);
    void mlxTaskChanged(MLXTask value);
    void hasSeenWelcomeChanged(bool value);

private:
    template <typename T>
    void assign(T &setting, T value, const QString &key, const QVariant &stored, void (Preferences::*changed)(T));

    bool storedBool(const QString &key) const;
    QString storedString(const QString &key) const;

    DefaultsDomain &defaults_;
    OCREngine engine_;
    bool keepLineBreaks_;
    bool playSound_;
    bool rememberSession_;
    bool clipboardHistory_;
    bool persistClipboardHistory_;
    QString language_;
    ShortcutPreset shortcut_;
    MLXTask mlxTask_;
    bool hasSeenWelcome_;
};
