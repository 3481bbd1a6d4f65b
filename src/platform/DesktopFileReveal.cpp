#include "platform/DesktopFileReveal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>

namespace {

const QString service = QStringLiteral("org.freedesktop.FileManager1");
const QString objectPath = QStringLiteral("/org/freedesktop/FileManager1");

} // namespace

DesktopFileReveal::DesktopFileReveal(QObject *parent) : DesktopFileReveal(QDBusConnection::sessionBus(), {}, parent)
{
}

DesktopFileReveal::DesktopFileReveal(const QDBusConnection &bus, OpenUrl fallback, QObject *parent)
    : QObject(parent), bus_(std::make_unique<QDBusConnection>(bus)),
      fallback_(fallback ? std::move(fallback) : OpenUrl([](const QUrl &url) { QDesktopServices::openUrl(url); }))
{
}

DesktopFileReveal::~DesktopFileReveal() = default;

void DesktopFileReveal::revealFolder(const QString &path)
{
    const QFileInfo folder(path);
    if (!folder.isDir())
        return;
    const QUrl url = QUrl::fromLocalFile(folder.absoluteFilePath());
    if (!bus_->isConnected()) {
        fallback_(url);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(service, objectPath, service, QStringLiteral("ShowFolders"));
    // The second argument is the startup notification id: none.
    call << QStringList{url.toString()} << QString();
    // Asynchronous: a file manager that is slow to start must not hold the window up.
    auto *watcher = new QDBusPendingCallWatcher(bus_->asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, url](QDBusPendingCallWatcher *finished) {
        finished->deleteLater();
        if (finished->isError())
            fallback_(url);
    });
}
