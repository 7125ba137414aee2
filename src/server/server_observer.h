#pragma once
// What a host reports for a log: arrivals, departures, the start and the end of a match, refused connections,
// and what a refereed room dropped.
// The desktop program keeps no log and uses the do-nothing base; the dedicated host writes each event as a line.
//
// Every operation is called with the host's lock held, in the order the events happen, on one of the host's
// threads. An observer must therefore return at once: no waiting (no blocking write), and no call back into the
// host. Names are code page 932 bytes, as on the wire.

#include "net/tcp_socket.h"
#include "server/referee.h"

#include <span>
#include <string_view>

namespace pyrandel {

struct SeatColour {
    int id = 0;
    std::string_view name;
    int colour = 0; // 0 blue, 1 red, 2 yellow, 3 green
};

class ServerObserver {
public:
    // A participant announced itself (NEW_C): a join, or a new name for one already there.
    virtual void OnJoin(int id, std::string_view name) { (void)id, (void)name; }
    // A connection ended, for `reason`; `name` is "?" when it never sent NEW_C.
    virtual void OnLeave(int id, std::string_view name, DisconnectReason reason) { (void)id, (void)name, (void)reason; }
    // The players of a new match in turn order, each with its colour.
    virtual void OnMatchStart(std::span<const SeatColour> players) { (void)players; }
    virtual void OnWin(int id, std::string_view name, int colour) { (void)id, (void)name, (void)colour; }
    // The turn went to `id` (its CAN_PUT is on the way).
    virtual void OnTurn(int id) { (void)id; }
    // A connection came while every seat was taken and was turned away.
    virtual void OnRefuse() {}
    // A refereed room dropped a line of this participant, and relayed none of it. Reported for the first line of
    // each offence in a run of dropped lines; the others are only counted.
    virtual void OnDropped(int id, std::string_view name, Offence offence) { (void)id, (void)name, (void)offence; }
    // A run of dropped lines ended (a line of the participant passed, or it left) with `lines` not reported.
    virtual void OnDropsUnreported(int id, std::string_view name, int lines) { (void)id, (void)name, (void)lines; }

protected:
    ~ServerObserver() = default;
};

} // namespace pyrandel
