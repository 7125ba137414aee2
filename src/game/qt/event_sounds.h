#pragma once
// Short sounds for the moments of a match, from the desktop's sound theme (freedesktop event sounds through
// libcanberra). Where there is no sound device, no sound server or no libcanberra at build time, playing does
// nothing and says nothing. The connection to the sound system is made on the first sound, so a program that
// never plays one never opens it.

#include "game/battle_events.h"

struct ca_context;

namespace pyrandel {

class EventSounds {
public:
    EventSounds() = default;
    ~EventSounds();
    EventSounds(const EventSounds&) = delete;
    EventSounds& operator=(const EventSounds&) = delete;

    void Play(BattleAnnouncement what);

private:
    ca_context* context = nullptr;
    bool failed = false; // the sound system could not be reached; no further attempt
};

} // namespace pyrandel
