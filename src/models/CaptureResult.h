#pragma once

#include "models/OCREngine.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

// One recognised capture.
struct CaptureResult {
    CaptureResult(QString text, OCREngine engine, double elapsed);

    QUuid id;
    QString text;
    OCREngine engine;
    // Seconds from the start of recognition to the result.
    double elapsed;
    QDateTime date;

    int wordCount() const;
    // "456 ms" below one second, else printf's "%.1f s" with a full stop.
    QString timing() const;
};
