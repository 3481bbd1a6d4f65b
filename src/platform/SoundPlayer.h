#pragma once

// A short notification sound.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    virtual bool isPlaying() const = 0;
    // Plays once at `volume` (0…1 of full scale).
    virtual void play(double volume) = 0;
};
