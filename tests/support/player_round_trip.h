#pragma once
// Proof that a player's program has sent a scripted host everything it was going to send so far, so that a
// test's "it sent nothing" is a fact rather than a guess at how long a reaction takes.
//
// The program handles the host's lines in order on its connection thread, and its own lines go out from the
// window thread, in the order of the work queued there. So: a chat notice from the host that shows in the
// lobby means every earlier line of the host has been handled and what it queued on the window thread is
// queued; a line sent from the window thread behind that work (and behind what that work queued in turn) then
// reaches the host after anything the program sent before.

#include "support/scripted_host.h"
#include "support/test_player.h"

#include <gtest/gtest.h>

namespace pyrandel::test {

// Success when `player` sent `host` no line beyond those the test has read; else the lines it did send.
[[nodiscard]] ::testing::AssertionResult SentNothingMore(ScriptedHost& host, TestPlayer& player);

} // namespace pyrandel::test
