#pragma once

#include "platform/FileReveal.h"

#include <QStringList>

// Records the folders it was asked to show.
class RecordingFileReveal : public FileReveal {
public:
    void revealFolder(const QString &path) override { revealed.append(path); }

    QStringList revealed;
};
