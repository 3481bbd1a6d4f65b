#include "platform/DefaultsDomain.h"

#include "platform/AppDirectories.h"

#include <QFile>
#include <QSettings>

DefaultsDomain::DefaultsDomain(QString name)
    : name_(std::move(name)),
      settings_(std::make_unique<QSettings>(AppDirectories::defaultsDomainFile(name_), QSettings::IniFormat))
{
}

DefaultsDomain::~DefaultsDomain() = default;

QString DefaultsDomain::standardDomainName()
{
    return QLatin1String(AppDirectories::bundleIdentifier);
}

QString DefaultsDomain::filePath() const
{
    return settings_->fileName();
}

QVariant DefaultsDomain::value(const QString &key) const
{
    if (settings_->contains(key))
        return settings_->value(key);
    return registeredDefaults_.value(key);
}

QVariant DefaultsDomain::storedValue(const QString &key) const
{
    return settings_->value(key);
}

bool DefaultsDomain::contains(const QString &key) const
{
    return settings_->contains(key);
}

void DefaultsDomain::setValue(const QString &key, const QVariant &value)
{
    settings_->setValue(key, value);
    settings_->sync();
}

void DefaultsDomain::removeValue(const QString &key)
{
    settings_->remove(key);
    settings_->sync();
}

void DefaultsDomain::registerDefaults(const QVariantMap &defaults)
{
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
        registeredDefaults_.insert(it.key(), it.value());
}

void DefaultsDomain::removeDomain()
{
    settings_->clear();
    settings_->sync();
    QFile::remove(settings_->fileName());
}
