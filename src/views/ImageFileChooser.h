#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QFileDialog;

// The open dialog for an image to import: non-modal, one existing file, only
// the types the image loader reads. One at a time: asking again while it is
// open brings it forward, and its choice goes to the latest request.
class ImageFileChooser {
public:
    ImageFileChooser() = delete;

    static void choose(std::function<void(const QString &path)> chosen);
    // "Images" with every type the loader reads, then each type on its own.
    static QStringList nameFilters();
    // The dialog while it is open.
    static QFileDialog *dialog();
};
