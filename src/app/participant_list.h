#pragma once
// Who is present in the host's lobby, as this player has been told: one entry per ADD line, removed by DEL.
// The player's session fills it from its own thread and the lobby view shows it, so every operation takes one
// lock and readers get a consistent Snapshot().
//
// Order: that of the host's roster (server/roster.h), by name; the id stored with an entry says nothing about its
// place. Unlike the host's roster, a repeated ADD of one id is listed again beside the first.
//
// Lifetime: the list only works while the lobby has it attached. Before Attach() and after Detach() every
// change is ignored and the list reads as empty, as a list whose control is gone.

#include "server/roster.h"

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace pyrandel {

// Entries the list keeps at most. The host lists four participants, more only while one has announced itself
// twice; without a bound, a participant repeating its NEW_C would grow every player's list (and the work of
// showing it) without end.
inline constexpr std::size_t PARTICIPANT_LIMIT = 64;

class ParticipantList final {
public:
    ParticipantList() = default;
    ~ParticipantList();
    ParticipantList(const ParticipantList&) = delete;
    ParticipantList& operator=(const ParticipantList&) = delete;

    // Lobby wiring
    void Attach();
    // Drops every entry and ignores all later changes until the next Attach().
    void Detach();
    // Called after every change, on the thread that made it, without the list's lock held (the handler may
    // read the list); the view queues its refresh from here and must not wait for another thread. Once this
    // returns, the previous handler is not running anywhere and is never called again, so its owner may go.
    // An empty function removes the handler.
    void SetChangeHandler(std::function<void()> handler);

    // Changes (names are code page 932 bytes, as received)
    // Ignored once the list holds PARTICIPANT_LIMIT entries.
    void Add(std::string_view name, int id);
    // Removes the first entry, in list order, that carries `id`; an id that no entry has changes nothing.
    void Remove(int id);
    void Clear();

    // Reading
    // All entries in list order, taken under the lock. Always readable: a detached list is empty.
    [[nodiscard]] std::vector<RosterEntry> Snapshot() const;

private:
    // Calls the change handler, never with `lock` held.
    void NotifyChange();

    mutable std::mutex lock; // guards attached and entries
    bool attached = false;
    std::vector<RosterEntry> entries;

    // Held while the handler runs, so replacing it waits for a call in progress. Recursive: a handler that
    // changes the list notifies again on the same thread.
    std::recursive_mutex notify_lock;
    std::function<void()> change_handler; // guarded by notify_lock
};

} // namespace pyrandel
