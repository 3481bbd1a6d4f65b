#pragma once

#include <QObject>

// The desktop's accessibility display settings. Qt 6.4 exposes none of them,
// so each platform supplies its own reading. Callers read them when they need
// them (at every draw, at every presentation) and may follow `changed`.
class AccessibilityPreferences : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool reduceMotion() const = 0;
    virtual bool reduceTransparency() const = 0;
    virtual bool increaseContrast() const = 0;

Q_SIGNALS:
    void changed();
};
