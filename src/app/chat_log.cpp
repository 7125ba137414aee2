#include "app/chat_log.h"

namespace pyrandel {

namespace {
constexpr std::size_t LINE_END_BYTES = 2; // CR LF
} // namespace

void ChatLog::Append(std::string_view text)
{
    const std::lock_guard guard(lock);
    if (size >= CHAT_LOG_CAPACITY) {
        view.ReplaceChatLog(text);
        size = text.size() + LINE_END_BYTES;
    } else {
        view.AppendChatLine(text);
        size += text.size() + LINE_END_BYTES;
    }
}

std::size_t ChatLog::Size() const
{
    const std::lock_guard guard(lock);
    return size;
}

} // namespace pyrandel
