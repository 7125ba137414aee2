#include "server/roster.h"

#include "text/cp932_bytes.h"

#include <algorithm>
#include <utility>

namespace pyrandel {

namespace {

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
        trail = !trail && IsCp932LeadByte(a);
    }
    return left.size() < right.size();
}

void InsertInListOrder(std::vector<RosterEntry>& entries, RosterEntry entry)
{
    const auto place = std::upper_bound(
        entries.begin(), entries.end(), entry.name,
        [](std::string_view value, const RosterEntry& listed) { return NameSortsBefore(value, listed.name); });
    entries.insert(place, std::move(entry));
}

void Roster::Name(int id, std::string_view name)
{
    Remove(id);
    InsertInListOrder(entries, RosterEntry{id, std::string(name)});
}

void Roster::Remove(int id)
{
    std::erase_if(entries, [id](const RosterEntry& entry) { return entry.id == id; });
}

} // namespace pyrandel
