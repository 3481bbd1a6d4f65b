#pragma once

#include "platform/Workspace.h"

#include <QList>

// A desktop whose frontmost application the test sets; records activations.
class RecordingWorkspace : public Workspace {
public:
    std::optional<RunningApplication> frontmostApplication() override { return frontmost; }
    void activate(const RunningApplication &application) override { activated.append(application); }

    std::optional<RunningApplication> frontmost;
    QList<RunningApplication> activated;
};
