#pragma once

#include "platform/RunningApplication.h"

#include <QtGlobal>

#include <optional>

class Workspace;

// The application to return to after a copy or a cancel: the frontmost one
// other than ourselves when an operation starts. Our own window in front keeps
// the one remembered before; the value is never cleared.
class DestinationTracker {
public:
    // The workspace is not owned and must outlive the tracker.
    DestinationTracker(Workspace &workspace, qint64 ownProcessId);

    void remember();
    // Brings the remembered application back to the front, if there is one.
    void restore();
    std::optional<RunningApplication> destination() const { return destination_; }

private:
    Workspace &workspace_;
    qint64 ownProcessId_;
    std::optional<RunningApplication> destination_;
};
