#pragma once

#include "platform/SoundPlayer.h"

#include <QString>

#include <memory>

struct ca_context;

// Plays one event of the freedesktop sound theme through libcanberra.
class CanberraSoundPlayer : public SoundPlayer {
public:
    // The theme's event name, e.g. "message".
    explicit CanberraSoundPlayer(QString eventId);
    ~CanberraSoundPlayer() override;

    // A player for the copy confirmation, or none when the theme lacks the sound.
    static std::unique_ptr<CanberraSoundPlayer> copySound();

    bool isPlaying() const override;
    void play(double volume) override;

private:
    static bool themeHasSound(const QString &eventId);

    QString eventId_;
    ca_context *context_ = nullptr;
};
