#pragma once

#include "platform/Announcer.h"

// Best effort on Linux: the text becomes the source's accessible description
// and an alert event is raised on it, which AT-SPI screen readers (Orca) speak.
// Nothing happens when no assistive technology is listening.
class AccessibilityAnnouncer : public Announcer {
public:
    static AccessibilityAnnouncer &shared();
    void announce(QObject *source, const QString &text, Priority priority) override;
    void withdraw(QObject *source) override;
};
