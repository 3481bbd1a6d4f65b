#pragma once

#include <QObject>

// Tells when any application, this one included, has come to the front.
class ActivationWatcher : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    void activated();
};
