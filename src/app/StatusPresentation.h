#pragma once

#include "models/CapturePhase.h"

#include <QString>

// What the status item shows for a phase: a symbol of the symbol library and
// the words that follow "Ravelond — " in its tool tip and accessible name.
struct StatusPresentation {
    QString symbol;
    QString label;

    static StatusPresentation of(const CapturePhase &phase);
    QString toolTip() const { return QStringLiteral("Ravelond — ") + label; }

    friend bool operator==(const StatusPresentation &, const StatusPresentation &) = default;
};
