#pragma once

#include "models/OCREngine.h"

#include <QHashFunctions>

// The phase of the application model's current or last operation.
class CapturePhase {
public:
    enum Kind { idle, selecting, recognizing, copied, cancelled, failed };

    static CapturePhase idlePhase() { return CapturePhase(idle); }
    static CapturePhase selectingPhase() { return CapturePhase(selecting); }
    static CapturePhase recognizingWith(OCREngine engine) { return CapturePhase(recognizing, engine); }
    static CapturePhase copiedPhase() { return CapturePhase(copied); }
    static CapturePhase cancelledPhase() { return CapturePhase(cancelled); }
    static CapturePhase failedPhase() { return CapturePhase(failed); }

    CapturePhase() = default;

    Kind kind() const { return kind_; }
    // The engine at work; meaningful only while recognizing.
    OCREngine engine() const { return engine_; }
    bool isBusy() const { return kind_ == selecting || kind_ == recognizing; }

    friend bool operator==(const CapturePhase &a, const CapturePhase &b)
    {
        return a.kind_ == b.kind_ && (a.kind_ != recognizing || a.engine_ == b.engine_);
    }

    friend size_t qHash(const CapturePhase &phase, size_t seed = 0)
    {
        const int engineBits = phase.kind_ == recognizing ? int(OCREngine::Value(phase.engine_)) + 1 : 0;
        return qHashMulti(seed, int(phase.kind_), engineBits);
    }

private:
    explicit CapturePhase(Kind kind, OCREngine engine = OCREngine::vision) : kind_(kind), engine_(engine) {}

    Kind kind_ = idle;
    OCREngine engine_ = OCREngine::vision;
};
