#pragma once

#include "platform/SoundPlayer.h"

#include <QList>

// Records what would have been played; "playing" is whatever the test says.
class RecordingSoundPlayer : public SoundPlayer {
public:
    bool isPlaying() const override { return playing; }
    void play(double volume) override { volumes.append(volume); }

    bool playing = false;
    QList<double> volumes;
};
