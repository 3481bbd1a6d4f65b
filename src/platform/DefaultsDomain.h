#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

class QSettings;

// A named store of user settings: the INI file
// ~/.config/<name>.conf, plus registered defaults that live only in memory
// and are never written. Every write reaches the file at once.
class DefaultsDomain {
public:
    explicit DefaultsDomain(QString name);
    ~DefaultsDomain();
    DefaultsDomain(const DefaultsDomain &) = delete;
    DefaultsDomain &operator=(const DefaultsDomain &) = delete;

    // The program's own domain, named by the bundle identifier.
    static QString standardDomainName();

    QString name() const { return name_; }
    QString filePath() const;

    // The stored value, else the registered default, else an invalid QVariant.
    QVariant value(const QString &key) const;
    // The stored value only (registered defaults ignored).
    QVariant storedValue(const QString &key) const;
    bool contains(const QString &key) const;

    void setValue(const QString &key, const QVariant &value);
    void removeValue(const QString &key);

    // Adds to the in-memory defaults; existing keys are replaced.
    void registerDefaults(const QVariantMap &defaults);

    // Deletes every stored value and the file itself.
    void removeDomain();

private:
    QString name_;
    std::unique_ptr<QSettings> settings_;
    QVariantMap registeredDefaults_;
};
