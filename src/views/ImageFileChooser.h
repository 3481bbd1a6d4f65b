#pragma once

#include <QString>

#include <functional>

// The open dialog for an image to import: non-modal, one existing file, only
// the types the image loader reads.
class ImageFileChooser {
public:
    ImageFileChooser() = delete;

    static void choose(std::function<void(const QString &path)> chosen);
};
