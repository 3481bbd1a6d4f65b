#pragma once

#include "models/TrovError.h"
#include "platform/ScreenGrabber.h"
#include "support/PixelPattern.h"
#include "views/SelectionWindow.h"

#include <QApplication>
#include <QScreen>
#include <QStringList>

// Stands in for the X server's screenshot: every display shows a picture in
// which each pixel's colour encodes its own coordinates, at the display's
// device pixel size. The offscreen platform's own grabs ignore screen offsets.
class FakeScreenGrabber : public ScreenGrabber {
public:
    static QImage pattern(QSize pixels, qreal ratio, int tag)
    {
        QImage image = PixelPattern::image(pixels, tag);
        image.setDevicePixelRatio(ratio);
        return image;
    }

    static int visibleSelectionWindows()
    {
        int visible = 0;
        for (QWidget *widget : QApplication::topLevelWidgets())
            visible += qobject_cast<SelectionWindow *>(widget) && widget->isVisible();
        return visible;
    }

    QCoro::Task<QImage> grab(QScreen *screen) override
    {
        grabbed.append(screen->name());
        windowsVisibleDuringGrabs += visibleSelectionWindows();
        if (screen->name() == failing)
            throw TrovError::platformFailure(QStringLiteral("The display “%1” went away.").arg(failing));
        if (screen->name() == blank)
            co_return QImage();
        const qreal ratio = screen->devicePixelRatio();
        const QSize pixels = (QSizeF(screen->geometry().size()) * ratio).toSize();
        const QImage image = pattern(pixels, ratio, grabbed.size());
        images.insert(screen->name(), image);
        co_return image;
    }

    QString failing;
    QString blank;
    QStringList grabbed;
    int windowsVisibleDuringGrabs = 0;
    QHash<QString, QImage> images;
};
