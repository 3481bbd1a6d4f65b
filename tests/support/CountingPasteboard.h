#pragma once

#include "platform/MemoryPasteboard.h"

// A private pasteboard that counts how often its content is read, to prove
// that an idle poll looks at the change count only.
class CountingPasteboard : public MemoryPasteboard {
public:
    QStringList types() const override
    {
        ++contentReads;
        return MemoryPasteboard::types();
    }

    std::optional<QString> string() const override
    {
        ++contentReads;
        return MemoryPasteboard::string();
    }

    mutable int contentReads = 0;
};
