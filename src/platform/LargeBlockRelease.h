#pragma once

#include <cstddef>

// Gives the memory of large blocks (frozen screen pictures, their overlay
// copies, window backing stores) back to the system as soon as they are freed.
//
// glibc serves a block above its mapping threshold from a mapping of its own,
// but raises that threshold to the size of every such block freed, up to
// 32 MB: after the first overlay closes, every later picture comes from the
// heap, and the heap keeps its pages resident after they are freed. A fixed
// threshold turns that adjustment off, so each picture is mapped and unmapped.
class LargeBlockRelease {
public:
    LargeBlockRelease() = delete;

    // Blocks from this size up are mapped on their own: below a 1440 x 900
    // picture (5 MB), above what text recognition and the views allocate often.
    static constexpr std::size_t threshold = std::size_t(4) << 20;

    // Called first thing in main(), before the pictures exist; false where
    // the allocator takes no such setting.
    static bool enable();

    // Gives back the free pages inside the heap as well, after a burst of
    // short-lived blocks (windows made and painted only to be thrown away).
    // Costs a walk of the heap: a fraction of a millisecond.
    static void giveBackFreePages();
};
