#pragma once

#include "platform/FileReveal.h"

#include <QDBusConnection>
#include <QObject>
#include <QUrl>

#include <functional>

// The freedesktop file-manager interface (org.freedesktop.FileManager1
// ShowFolders) on the session bus; when no file manager answers there, the
// folder is opened as a URL (QDesktopServices), which the desktop hands to
// whatever opens folders.
class DesktopFileReveal : public QObject, public FileReveal {
    Q_OBJECT
public:
    using OpenUrl = std::function<void(const QUrl &url)>;

    static constexpr int callTimeoutMs = 5000;

    // The session bus and QDesktopServices unless given.
    explicit DesktopFileReveal(QDBusConnection bus = QDBusConnection::sessionBus(), OpenUrl fallback = {},
                               QObject *parent = nullptr);

    void revealFolder(const QString &path) override;

private:
    QDBusConnection bus_;
    OpenUrl fallback_;
};
