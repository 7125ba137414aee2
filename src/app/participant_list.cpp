#include "app/participant_list.h"

#include <algorithm>
#include <utility>

namespace pyrandel {

namespace {

// Lead bytes of code page 932 double-byte characters.
[[nodiscard]] bool IsLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

[[nodiscard]] unsigned char FoldAscii(unsigned char byte)
{
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

} // namespace

bool NameSortsBefore(std::string_view left, std::string_view right)
{
    const std::size_t common = std::min(left.size(), right.size());
    bool trail = false; // the byte at i is the second of a double-byte character
    for (std::size_t i = 0; i < common; ++i) {
        const auto a = static_cast<unsigned char>(left[i]);
        const auto b = static_cast<unsigned char>(right[i]);
        // Up to here both texts are equal, so they agree on where characters start.
        const unsigned char ka = trail ? a : FoldAscii(a);
        const unsigned char kb = trail ? b : FoldAscii(b);
        if (ka != kb) {
            return ka < kb;
        }
        trail = !trail && IsLeadByte(a);
    }
    return left.size() < right.size();
}

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
        // After every equal name, so equal names stay in arrival order.
        const auto place = std::upper_bound(entries.begin(), entries.end(), name,
                                            [](std::string_view value, const RosterEntry& entry) {
                                                return NameSortsBefore(value, entry.name);
                                            });
        entries.insert(place, RosterEntry{id, std::string(name)});
    }
    NotifyChange();
}

void ParticipantList::Remove(int id)
{
    {
        const std::lock_guard guard(lock);
        const auto found = std::find_if(entries.begin(), entries.end(),
                                        [id](const RosterEntry& entry) { return entry.id == id; });
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

std::optional<std::vector<RosterEntry>> ParticipantList::Snapshot() const
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
