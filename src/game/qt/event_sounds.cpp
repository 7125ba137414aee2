#include "game/qt/event_sounds.h"

#ifdef PYRANDEL_HAVE_CANBERRA
#include <canberra.h>
#endif

namespace pyrandel {

#ifdef PYRANDEL_HAVE_CANBERRA

EventSounds::~EventSounds()
{
    if (context != nullptr) {
        ca_context_destroy(context);
    }
}

void EventSounds::Play(BattleAnnouncement what)
{
    if (failed) {
        return;
    }
    if (context == nullptr) {
        if (ca_context_create(&context) != CA_SUCCESS) {
            context = nullptr;
            failed = true;
            return;
        }
        ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "Pyrandel", CA_PROP_APPLICATION_ID, "pyrandel",
                                nullptr);
    }
    const char* event = what == BattleAnnouncement::YOUR_TURN ? "message-new-instant" : "complete";
    // A missing device or theme sound is no fault of the game: the result is not looked at.
    (void)ca_context_play(context, 0, CA_PROP_EVENT_ID, event, nullptr);
}

#else

EventSounds::~EventSounds() = default;

void EventSounds::Play(BattleAnnouncement)
{
}

#endif

} // namespace pyrandel
