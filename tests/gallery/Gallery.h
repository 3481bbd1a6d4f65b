#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class DesignEnvironment;
class ManualAnimationDriver;

// What a picture is taken in: the appearance, Reduce Motion, the scale, and
// the clock of every animation (standing still until a scene moves it on).
struct GalleryContext {
    bool dark = false;
    bool reduceMotion = false;
    double scale = 1;
    DesignEnvironment &environment;
    ManualAnimationDriver &animations;

    // The desktop colour a floating view is pictured over.
    QColor backdrop() const;
};

// One state of a view, ready for its picture: the widget to draw (a frameless
// top-level window, shown by the gallery), owning or outliving whatever it needs.
class GalleryScene {
public:
    virtual ~GalleryScene() = default;
    virtual QWidget &widget() = 0;
    // How long the animations run after the window is shown and before the
    // picture is taken: long enough for every entrance to have ended.
    virtual int settleMilliseconds() const { return 1000; }
};

// A scene that is just a widget.
class WidgetScene : public GalleryScene {
public:
    explicit WidgetScene(std::unique_ptr<QWidget> widget, int settleMs = 1000);
    QWidget &widget() override { return *widget_; }
    int settleMilliseconds() const override { return settleMs_; }

private:
    std::unique_ptr<QWidget> widget_;
    int settleMs_;
};

struct GalleryState {
    QString name;
    std::function<std::unique_ptr<GalleryScene>(GalleryContext &context)> build;
    // Texts the state makes longer than their box on purpose, to show the clamp.
    QStringList clampedTexts = {};
};

// `state`, with texts it makes longer than their box on purpose.
GalleryState withClampedTexts(GalleryState state, const QStringList &texts);

// The views the gallery pictures, each in its states. A view registers itself
// from its own file with a static GalleryRegistration.
class Gallery {
public:
    struct View {
        QString name;
        QList<GalleryState> states;
    };

    static QList<View> &views();
};

struct GalleryRegistration {
    GalleryRegistration(const QString &view, QList<GalleryState> states);
};

// A frameless, translucent top-level window laid out around `content` with a
// margin, for components that are not windows of their own.
std::unique_ptr<QWidget> galleryWindow(QWidget *content, QSize size, int margin = 16);
