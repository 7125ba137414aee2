#pragma once
// The lobby's chat log as the logic keeps it: the view only shows lines, the capacity rule lives here. The log is
// never trimmed line by line: once it holds 32000 bytes or more, the next line replaces the whole of it.
//
// Any thread may append. One lock spans the size test and the view call, so the view receives appends and
// replacements in the order the sizes were counted, and two threads never both decide to replace.

#include "app/lobby_view.h"

#include <cstddef>
#include <mutex>
#include <string_view>

namespace pyrandel {

inline constexpr std::size_t CHAT_LOG_CAPACITY = 32000; // bytes, CR LF included

class ChatLog {
public:
    explicit ChatLog(LobbyView& view) : view(view) {}
    ChatLog(const ChatLog&) = delete;
    ChatLog& operator=(const ChatLog&) = delete;

    // Appends `text` as one line at the end (an empty text still makes an empty line).
    void Append(std::string_view text);
    // Bytes the log holds, counting CR LF after each line as the log's text does.
    [[nodiscard]] std::size_t Size() const;

private:
    LobbyView& view;
    mutable std::mutex lock;
    std::size_t size = 0;
};

} // namespace pyrandel
