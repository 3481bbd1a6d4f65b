#pragma once

#include "platform/ScreenRecordingPermission.h"

#include <functional>

class FakePermission : public ScreenRecordingPermission {
public:
    bool hasPermission() const override { return granted; }
    void requestPermission() override
    {
        ++requests;
        if (onRequest)
            onRequest();
    }

    bool granted = true;
    int requests = 0;
    std::function<void()> onRequest;
};
