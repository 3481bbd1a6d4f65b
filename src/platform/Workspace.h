#pragma once

#include "platform/RunningApplication.h"

#include <optional>

// The desktop's notion of which application is in front.
class Workspace {
public:
    virtual ~Workspace() = default;

    // The application whose window is active, if the desktop says.
    virtual std::optional<RunningApplication> frontmostApplication() = 0;
    // Asks the window manager to bring it back to the front; does nothing if it is gone.
    virtual void activate(const RunningApplication &application) = 0;
};
