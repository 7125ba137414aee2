#pragma once
// The dedicated host's log: one line per event, "2026-12-07T14:55:03Z " and a short English sentence, with the
// players' names in UTF-8. Names come from the wire, so control characters in them are shown as "?" and never
// reach a terminal.
//
// Events arrive with the host's lock held (ServerObserver); each is formatted at once and handed to the
// LogWriter, which does the writing on its own thread.

#include "host/log_writer.h"
#include "server/server_observer.h"

#include <chrono>
#include <string>
#include <string_view>

namespace pyrandel {

enum class LogLevel { EVENTS, ERRORS_ONLY };

// One line as written: the UTC time to the second, a space, the text.
[[nodiscard]] std::string FormatLogLine(std::chrono::system_clock::time_point when, std::string_view text);
// A code page 932 name as the log shows it.
[[nodiscard]] std::string LogName(std::string_view cp932);

class HostLog final : public ServerObserver {
public:
    HostLog(LogWriter& writer, LogLevel level);

    // The host's own notes (started, stopping); not written at ERRORS_ONLY.
    void Note(std::string_view text);

    // ServerObserver
    void OnJoin(int id, std::string_view name) override;
    void OnLeave(int id, std::string_view name, DisconnectReason reason) override;
    void OnMatchStart(std::span<const SeatColour> players) override;
    void OnWin(int id, std::string_view name, int colour) override;
    void OnRefuse() override;
    void OnDropped(int id, std::string_view name, Offence offence) override;
    void OnDropsUnreported(int id, std::string_view name, int lines) override;

private:
    LogWriter& writer;
    const LogLevel level;
};

} // namespace pyrandel
