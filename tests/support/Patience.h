#pragma once

// How long a test waits for something that must happen. Only a real hang
// reaches it: on a machine running twice its cores of other work, what takes
// milliseconds at rest can take seconds.
struct Patience {
    static constexpr int untilHung = 60'000;
};
