#include "stores/DestinationTracker.h"

#include "platform/Workspace.h"

DestinationTracker::DestinationTracker(Workspace &workspace, qint64 ownProcessId)
    : workspace_(workspace), ownProcessId_(ownProcessId)
{
}

void DestinationTracker::remember()
{
    const std::optional<RunningApplication> frontmost = workspace_.frontmostApplication();
    if (frontmost && frontmost->processId != ownProcessId_)
        destination_ = frontmost;
}

void DestinationTracker::restore()
{
    if (destination_)
        workspace_.activate(*destination_);
}
