#pragma once

#include <QString>

// Shows a folder of ours in the desktop's file manager.
class FileReveal {
public:
    virtual ~FileReveal() = default;

    // Opens a file-manager window on the folder with nothing selected; a
    // folder that does not exist shows nothing. Returns at once and reports nothing.
    virtual void revealFolder(const QString &path) = 0;
};
