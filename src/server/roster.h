#pragma once
// Who is present in a room, in the order every player's participant list shows them. The host keeps one of
// these itself, from the NEW_C lines it receives and the departures it sees, so what it tells a newcomer and
// whom it draws for a match never depend on how far its own player has read.
//
// Order: by name, ignoring the case of ASCII letters, as a sorted list box orders its items; a name equal to
// others goes after them, so equal names keep their arrival order. The id says nothing about an entry's place.
//
// Roster is a plain value: the host guards it with its own lock.

#include <string>
#include <string_view>
#include <vector>

namespace pyrandel {

struct RosterEntry {
    int id = 0;
    std::string name; // code page 932, as received
};

// Whether `left` sorts before `right` in the list: bytes compared in order, ASCII letters without case.
// The second byte of a code page 932 double-byte character is compared as it is, never folded.
[[nodiscard]] bool NameSortsBefore(std::string_view left, std::string_view right);

// Puts `entry` where a player's list puts an ADD: after every entry whose name does not sort after it.
void InsertInListOrder(std::vector<RosterEntry>& entries, RosterEntry entry);

class Roster {
public:
    // A participant's NEW_C: listed under `name`, in place of any earlier entry of the same id. A player's list
    // keeps the earlier entry beside the new one until the departure; a newcomer is told of the latest name only.
    void Name(int id, std::string_view name);
    // A departure; an id without an entry (no NEW_C yet) changes nothing.
    void Remove(int id);

    [[nodiscard]] const std::vector<RosterEntry>& Entries() const { return entries; }

private:
    std::vector<RosterEntry> entries;
};

} // namespace pyrandel
