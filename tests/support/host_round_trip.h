#pragma once
// Proof that a host has handled every line its clients sent so far, so that a test's "nothing more came" is a
// fact rather than a guess at how long a relay takes.
//
// The host handles each connection's lines in order and sends each connection its lines in order. So once a
// client's chat line has come back to another client, the host has handled every earlier line of that client,
// and all it sent anybody because of them was queued before that relay. Each open client in turn says a marker,
// which all the others read; the first says one more, which reaches the last. A lone client has nobody to hear
// its marker: a probe connection hears it and answers, then leaves, and its departure is read here as well.
//
// For a host that relays chat unjudged (a refereed room paces it) from names short enough that a relayed chat
// line keeps its text.

#include "support/line_client.h"

#include <span>
#include <string>
#include <vector>

namespace pyrandel::test {

// Per client, in the given order: the lines that arrived before the markers, which are taken too. A marker
// that does not come in time is a test failure, and that client's lines so far are what it returns.
// `port` is the host's, for the probe.
[[nodiscard]] std::vector<std::vector<std::string>> ReadUntilCaughtUp(std::span<LineClient* const> clients, int port);

} // namespace pyrandel::test
