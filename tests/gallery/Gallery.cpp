#include "gallery/Gallery.h"

#include <QVBoxLayout>

QColor GalleryContext::backdrop() const
{
    return dark ? QColor(36, 40, 48) : QColor(196, 204, 214);
}

WidgetScene::WidgetScene(std::unique_ptr<QWidget> widget, int settleMs)
    : widget_(std::move(widget)), settleMs_(settleMs)
{
}

GalleryState withClampedTexts(GalleryState state, const QStringList &texts)
{
    state.clampedTexts += texts;
    return state;
}

QList<Gallery::View> &Gallery::views()
{
    static QList<View> registered;
    return registered;
}

GalleryRegistration::GalleryRegistration(const QString &view, QList<GalleryState> states)
{
    Gallery::views().append({view, std::move(states)});
}

std::unique_ptr<QWidget> galleryWindow(QWidget *content, QSize size, int margin)
{
    auto window = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
    window->setAttribute(Qt::WA_TranslucentBackground);
    auto *layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->addWidget(content);
    window->resize(size);
    return window;
}
