#pragma once

#include "platform/FileReveal.h"

#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>

class QDBusConnection;

// The freedesktop file-manager interface (org.freedesktop.FileManager1
// ShowFolders) on the session bus; when no file manager answers there, the
// folder is opened as a URL (QDesktopServices), which the desktop hands to
// whatever opens folders.
class DesktopFileReveal : public QObject, public FileReveal {
    Q_OBJECT
public:
    using OpenUrl = std::function<void(const QUrl &url)>;

    static constexpr int callTimeoutMs = 5000;

    // The session bus and QDesktopServices.
    explicit DesktopFileReveal(QObject *parent = nullptr);
    DesktopFileReveal(const QDBusConnection &bus, OpenUrl fallback, QObject *parent = nullptr);
    ~DesktopFileReveal() override;

    void revealFolder(const QString &path) override;

private:
    // Held by pointer: the bus is this class's own business, not its users'.
    std::unique_ptr<QDBusConnection> bus_;
    OpenUrl fallback_;
};
