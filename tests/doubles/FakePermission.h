#pragma once

#include "platform/ScreenRecordingPermission.h"

class FakePermission : public ScreenRecordingPermission {
public:
    bool hasPermission() const override { return granted; }
    void requestPermission() override { ++requests; }

    bool granted = true;
    int requests = 0;
};
