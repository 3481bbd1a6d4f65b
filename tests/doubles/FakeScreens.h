#pragma once

#include "platform/Screens.h"

#include <QGuiApplication>
#include <QScreen>

// The application's (offscreen) screens with a pointer the test places.
class FakeScreens : public Screens {
public:
    QList<QScreen *> screens() const override { return QGuiApplication::screens(); }
    QScreen *primaryScreen() const override { return QGuiApplication::primaryScreen(); }
    QPointF pointerLocation() const override { return pointer; }

    QPointF pointer;
};
