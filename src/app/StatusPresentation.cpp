#include "app/StatusPresentation.h"

StatusPresentation StatusPresentation::of(const CapturePhase &phase)
{
    switch (phase.kind()) {
    case CapturePhase::selecting:
        return {QStringLiteral("viewfinder"), QStringLiteral("Selecting text")};
    case CapturePhase::recognizing:
        return {QStringLiteral("ellipsis.circle"), QStringLiteral("Reading text")};
    case CapturePhase::copied:
        return {QStringLiteral("checkmark.circle"), QStringLiteral("Text copied")};
    case CapturePhase::failed:
        return {QStringLiteral("exclamationmark.circle"), QStringLiteral("Needs attention")};
    case CapturePhase::idle:
    case CapturePhase::cancelled:
        break;
    }
    return {QStringLiteral("text.viewfinder"), QStringLiteral("Capture text")};
}
