// The selection overlay's hint card over a dimmed picture.
#include "gallery/Gallery.h"

#include "support/design/DesignEnvironment.h"
#include "views/SelectionPresentation.h"
#include "views/SelectionToolbar.h"

#include <QLinearGradient>
#include <QPainter>

namespace {

// Stands for the overlay: a dimmed picture, plain enough for the card's shadow to show on every side.
class Backdrop : public QWidget {
public:
    Backdrop() : QWidget(nullptr, Qt::FramelessWindowHint) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QLinearGradient picture(0, 0, width(), height());
        picture.setColorAt(0, QColor(238, 232, 220));
        picture.setColorAt(1, QColor(170, 196, 220));
        painter.fillRect(rect(), picture);
        painter.setPen(QColor(60, 60, 60));
        painter.drawText(8, height() - 10, QStringLiteral("Quarterly report, third revision"));
        painter.fillRect(rect(), QColor(0, 0, 0, 128));
    }
};

class HintScene : public GalleryScene {
public:
    HintScene(GalleryContext &context, bool selection, bool practice) : presentation_(OCREngine::vision, practice)
    {
        presentation_.setHasSelection(selection);
        backdrop_.resize(600, 180);
        auto *toolbar = new SelectionToolbar(presentation_, context.environment.accessibility(), &backdrop_);
        toolbar->setGeometry(45, 40, 510, 100);
    }
    QWidget &widget() override { return backdrop_; }

private:
    SelectionPresentation presentation_;
    Backdrop backdrop_;
};

const GalleryRegistration
    hint(QStringLiteral("selection-hint"),
         {
             {QStringLiteral("frame"),
              [](GalleryContext &context) { return std::make_unique<HintScene>(context, false, false); }},
             {QStringLiteral("release"),
              [](GalleryContext &context) { return std::make_unique<HintScene>(context, true, false); }},
             {QStringLiteral("practice"),
              [](GalleryContext &context) { return std::make_unique<HintScene>(context, false, true); }},
         });

} // namespace
