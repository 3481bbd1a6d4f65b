#include "platform/CanberraSoundPlayer.h"

#include <QStandardPaths>

#include <canberra.h>

#include <cmath>

namespace {
// One sound playing at a time is all we need: a fixed identifier lets us ask about it.
constexpr uint32_t soundId = 1;
} // namespace

CanberraSoundPlayer::CanberraSoundPlayer(QString eventId) : eventId_(std::move(eventId))
{
    if (ca_context_create(&context_) != CA_SUCCESS)
        context_ = nullptr;
}

CanberraSoundPlayer::~CanberraSoundPlayer()
{
    if (context_)
        ca_context_destroy(context_);
}

std::unique_ptr<CanberraSoundPlayer> CanberraSoundPlayer::copySound()
{
    const QString eventId = QStringLiteral("message");
    if (!themeHasSound(eventId))
        return nullptr;
    return std::make_unique<CanberraSoundPlayer>(eventId);
}

bool CanberraSoundPlayer::themeHasSound(const QString &eventId)
{
    for (const QString &extension : {QStringLiteral(".oga"), QStringLiteral(".ogg"), QStringLiteral(".wav")}) {
        const QString relative = QStringLiteral("sounds/freedesktop/stereo/") + eventId + extension;
        // The same XDG data folders libcanberra searches.
        if (!QStandardPaths::locate(QStandardPaths::GenericDataLocation, relative).isEmpty())
            return true;
    }
    return false;
}

bool CanberraSoundPlayer::isPlaying() const
{
    int playing = 0;
    if (!context_ || ca_context_playing(context_, soundId, &playing) != CA_SUCCESS)
        return false;
    return playing != 0;
}

void CanberraSoundPlayer::play(double volume)
{
    if (!context_ || volume <= 0)
        return;
    // libcanberra takes the volume in decibels relative to full scale.
    const QByteArray decibels = QByteArray::number(20.0 * std::log10(volume), 'f', 2);
    const QByteArray event = eventId_.toUtf8();
    ca_context_play(context_, soundId, CA_PROP_EVENT_ID, event.constData(), CA_PROP_CANBERRA_VOLUME,
                    decibels.constData(), CA_PROP_CANBERRA_CACHE_CONTROL, "volatile", nullptr);
}
