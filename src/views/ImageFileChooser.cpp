#include "views/ImageFileChooser.h"

#include "services/ImageLoader.h"

#include <QFileDialog>

void ImageFileChooser::choose(std::function<void(const QString &path)> chosen)
{
    auto *dialog = new QFileDialog(nullptr, QStringLiteral("Choose an image. Its text stays on your Mac."));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setMimeTypeFilters(ImageLoader::supportedMimeTypes());
    dialog->selectMimeTypeFilter(QStringLiteral("image/png"));
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [chosen = std::move(chosen)](const QString &path) {
        if (!path.isEmpty())
            chosen(path);
    });
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}
