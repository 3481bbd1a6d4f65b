#pragma once

// Whether the application may read other applications' pixels.
class ScreenRecordingPermission {
public:
    virtual ~ScreenRecordingPermission() = default;
    // Asked without any prompt.
    virtual bool hasPermission() const = 0;
    // Asks for access and shows where it is granted; the answer is not returned.
    virtual void requestPermission() = 0;
};
