#pragma once

#include "models/MLXTask.h"
#include "models/OCREngine.h"
#include "models/ShortcutPreset.h"
#include "support/Published.h"

#include <QObject>
#include <QString>

class DefaultsDomain;

// The user's ten settings, each stored in a defaults domain under a key equal
// to its name and written at once on every assignment.
//
// Two ways to follow a setting: the Qt signal `<name>Changed`, sent after the
// new value is stored; or `<name>Publisher().subscribe`, whose callback receives the new
// value while the getter still returns the old one (after `aboutToChange`).
// Both fire on every assignment, also of an equal value.
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

    OCREngine engine() const { return engine_.value(); }
    bool keepLineBreaks() const { return keepLineBreaks_.value(); }
    bool playSound() const { return playSound_.value(); }
    bool rememberSession() const { return rememberSession_.value(); }
    bool clipboardHistory() const { return clipboardHistory_.value(); }
    bool persistClipboardHistory() const { return persistClipboardHistory_.value(); }
    QString language() const { return language_.value(); }
    ShortcutPreset shortcut() const { return shortcut_.value(); }
    MLXTask mlxTask() const { return mlxTask_.value(); }
    bool hasSeenWelcome() const { return hasSeenWelcome_.value(); }

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

    // Each setting's publisher: `subscribe(callback, includeCurrent)` takes the
    // current value at once when asked, then every assigned value.
    Publisher<OCREngine> &enginePublisher() { return engine_; }
    Publisher<bool> &keepLineBreaksPublisher() { return keepLineBreaks_; }
    Publisher<bool> &playSoundPublisher() { return playSound_; }
    Publisher<bool> &rememberSessionPublisher() { return rememberSession_; }
    Publisher<bool> &clipboardHistoryPublisher() { return clipboardHistory_; }
    Publisher<bool> &persistClipboardHistoryPublisher() { return persistClipboardHistory_; }
    Publisher<QString> &languagePublisher() { return language_; }
    Publisher<ShortcutPreset> &shortcutPublisher() { return shortcut_; }
    Publisher<MLXTask> &mlxTaskPublisher() { return mlxTask_; }
    Publisher<bool> &hasSeenWelcomePublisher() { return hasSeenWelcome_; }

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
    void assign(Published<T> &setting, T value, const QString &key, const QVariant &stored,
                void (Preferences::*changed)(T));

    bool storedBool(const QString &key) const;
    QString storedString(const QString &key) const;

    DefaultsDomain &defaults_;
    Published<OCREngine> engine_;
    Published<bool> keepLineBreaks_;
    Published<bool> playSound_;
    Published<bool> rememberSession_;
    Published<bool> clipboardHistory_;
    Published<bool> persistClipboardHistory_;
    Published<QString> language_;
    Published<ShortcutPreset> shortcut_;
    Published<MLXTask> mlxTask_;
    Published<bool> hasSeenWelcome_;
};
