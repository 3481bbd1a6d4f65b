#include "views/ImageFileChooser.h"

#include <QFileDialog>
#include <QImageReader>

void ImageFileChooser::choose(std::function<void(const QString &path)> chosen)
{
    auto *dialog = new QFileDialog(nullptr, QStringLiteral("Choose an image. Its text stays on your Mac."));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    QStringList mimeTypes;
    for (const QByteArray &type : QImageReader::supportedMimeTypes())
        mimeTypes << QString::fromLatin1(type);
    dialog->setMimeTypeFilters(mimeTypes);
    dialog->selectMimeTypeFilter(QStringLiteral("image/png"));
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [chosen = std::move(chosen)](const QString &path) {
        if (!path.isEmpty())
            chosen(path);
    });
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}
