#include "views/ImageFileChooser.h"

#include "services/ImageLoader.h"
#include "support/design/WindowFront.h"

#include <QFileDialog>
#include <QMimeDatabase>
#include <QPointer>

#include <memory>

namespace {

using Chosen = std::function<void(const QString &path)>;

// The one dialog open, and what its choice goes to: the latest request's.
QPointer<QFileDialog> openDialog;
std::shared_ptr<Chosen> latestChosen;

} // namespace

QStringList ImageFileChooser::nameFilters()
{
    const QMimeDatabase database;
    QStringList patterns;
    QStringList singles;
    for (const QString &name : ImageLoader::supportedMimeTypes()) {
        const QMimeType type = database.mimeTypeForName(name);
        if (!type.isValid() || type.globPatterns().isEmpty())
            continue;
        for (const QString &pattern : type.globPatterns()) {
            if (!patterns.contains(pattern))
                patterns.append(pattern);
        }
        singles.append(type.filterString());
    }
    singles.sort(Qt::CaseInsensitive);
    singles.removeDuplicates();
    return QStringList{QStringLiteral("Images (%1)").arg(patterns.join(u' '))} + singles;
}

void ImageFileChooser::choose(std::function<void(const QString &path)> chosen)
{
    latestChosen = std::make_shared<Chosen>(std::move(chosen));
    if (openDialog) {
        WindowFront::bring(*openDialog);
        return;
    }
    auto *dialog = new QFileDialog(nullptr, QStringLiteral("Choose an image. Its text stays on your Mac."));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // Every type at once first, so a folder of any kind of picture shows them all.
    const QStringList filters = nameFilters();
    dialog->setNameFilters(filters);
    dialog->selectNameFilter(filters.first());
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [](const QString &path) {
        if (!path.isEmpty() && latestChosen && *latestChosen)
            (*latestChosen)(path);
    });
    QObject::connect(dialog, &QDialog::finished, dialog, [] { latestChosen.reset(); });
    openDialog = dialog;
    WindowFront::bring(*dialog);
}

QFileDialog *ImageFileChooser::dialog()
{
    return openDialog;
}
