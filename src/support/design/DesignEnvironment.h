#pragma once

#include "support/design/SystemColours.h"

#include <QObject>

#include <functional>

class AccessibilityPreferences;
class Appearance;
class QWidget;

// What the design system's components read from their surroundings: the
// desktop's accessibility settings (Reduce Motion, Reduce Transparency,
// Increase Contrast), its appearance and whether it composites windows. A
// widget reads the environment attached to its nearest ancestor, or the
// process's standard one, which the program may replace and which otherwise
// reads the desktop's own settings. Components read it when they paint and
// when an animation starts, never caching a setting in between.
class DesignEnvironment : public QObject {
    Q_OBJECT
public:
    using Compositing = std::function<bool()>;

    // The objects are not owned and must outlive the environment. Without a
    // compositing test the desktop's own is used.
    DesignEnvironment(AccessibilityPreferences &accessibility, Appearance &appearance, Compositing compositing = {},
                      QObject *parent = nullptr);

    AccessibilityPreferences &accessibility() const { return *accessibility_; }
    Appearance &appearance() const { return *appearance_; }

    bool isDark() const;
    bool reduceMotion() const;
    bool increaseContrast() const;
    // Reduce Transparency, or a desktop without a compositor, where nothing
    // shows through a translucent window.
    bool opaqueSurfaces() const;
    bool hasCompositor() const;
    QColor ink(SystemColours::Ink ink) const;

    // Makes `root` and every widget inside it read this environment.
    void attach(QWidget &root);
    static void detach(QWidget &root);

    static DesignEnvironment &of(const QWidget *widget);
    static DesignEnvironment &standard();
    // Replaces the standard environment; null restores the desktop's.
    static void setStandard(DesignEnvironment *environment);

    // Repaints `widget` (and what it contains) whenever a setting or the
    // appearance changes; safe to call repeatedly.
    void repaintOnChange(QWidget *widget);

Q_SIGNALS:
    void changed();

private:
    AccessibilityPreferences *accessibility_;
    Appearance *appearance_;
    Compositing compositing_;
};
