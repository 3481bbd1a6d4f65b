#pragma once

#include <QObject>

// Whether the desktop asks for a dark or a light appearance. Views that draw
// appearance-dependent colours repaint on `changed`.
class Appearance : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool isDark() const = 0;

Q_SIGNALS:
    void changed();
};
