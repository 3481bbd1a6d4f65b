#pragma once

#include <QString>

// An engine's answer, before normalisation.
struct OCRResponse {
    QString text;
    // The engine stopped at its output limit.
    bool truncated = false;
};
