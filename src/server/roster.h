#pragma once
// Who is present, as the host reads it. The host keeps no roster of its own: it reads its own player's
// participant list, which that player fills from the host's ADD and DEL lines.

#include <optional>
#include <string>
#include <vector>

namespace pyrandel {

struct RosterEntry {
    int id = 0;
    std::string name; // code page 932, as received
};

class Roster {
public:
    // The entries in the list's order, taken in one consistent step; nothing when the list cannot be read.
    [[nodiscard]] virtual std::optional<std::vector<RosterEntry>> Snapshot() const = 0;

protected:
    ~Roster() = default;
};

} // namespace pyrandel
