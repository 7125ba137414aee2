#include "app/participant_list.h"

#include <algorithm>
#include <utility>

namespace pyrandel {

ParticipantList::~ParticipantList()
{
    // The lobby has gone by now; nothing is notified any more.
    const std::lock_guard guard(notify_lock);
    change_handler = nullptr;
}

void ParticipantList::Attach()
{
    {
        const std::lock_guard guard(lock);
        attached = true;
    }
    NotifyChange();
}

void ParticipantList::Detach()
{
    {
        const std::lock_guard guard(lock);
        attached = false;
        entries.clear();
    }
    NotifyChange();
}

void ParticipantList::SetChangeHandler(std::function<void()> handler)
{
    const std::lock_guard guard(notify_lock);
    change_handler = std::move(handler);
}

void ParticipantList::Add(std::string_view name, int id)
{
    {
        const std::lock_guard guard(lock);
        if (!attached || entries.size() >= PARTICIPANT_LIMIT) {
            return;
        }
        InsertInListOrder(entries, RosterEntry{id, std::string(name)});
    }
    NotifyChange();
}

void ParticipantList::Remove(int id)
{
    {
        const std::lock_guard guard(lock);
        const auto found =
            std::find_if(entries.begin(), entries.end(), [id](const RosterEntry& entry) { return entry.id == id; });
        if (found == entries.end()) {
            return;
        }
        entries.erase(found);
    }
    NotifyChange();
}

void ParticipantList::Clear()
{
    {
        const std::lock_guard guard(lock);
        if (entries.empty()) {
            return;
        }
        entries.clear();
    }
    NotifyChange();
}

std::vector<RosterEntry> ParticipantList::Snapshot() const
{
    const std::lock_guard guard(lock);
    return entries;
}

void ParticipantList::NotifyChange()
{
    const std::lock_guard guard(notify_lock);
    if (change_handler) {
        // A copy, so a handler that replaces itself does not destroy the function it is running in.
        const std::function<void()> handler = change_handler;
        handler();
    }
}

} // namespace pyrandel
