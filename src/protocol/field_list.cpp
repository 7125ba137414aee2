#include "protocol/field_list.h"

#include <charconv>
#include <climits>

namespace pyrandel {

namespace {

constexpr char TAB = '\t';

// The white space atoi skips in the C locale.
[[nodiscard]] constexpr bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

[[nodiscard]] constexpr bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

[[nodiscard]] std::string_view UpToNul(std::string_view text)
{
    return text.substr(0, text.find('\0'));
}

} // namespace

void FieldList::Split(std::string_view line)
{
    Clear();
    buffer.assign(UpToNul(line));
    fields[0] = Span{0, 0};
    count = 1;
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        // Past the last field that can be told apart, a TAB stays part of the field's text.
        if (buffer[i] == TAB && count < MAX_FIELDS) {
            fields[static_cast<std::size_t>(count - 1)].length = i - fields[static_cast<std::size_t>(count - 1)].start;
            fields[static_cast<std::size_t>(count)] = Span{i + 1, 0};
            ++count;
        }
    }
    Span& last = fields[static_cast<std::size_t>(count - 1)];
    last.length = buffer.size() - last.start;
}

void FieldList::Clear()
{
    buffer.clear();
    fields.fill(Span{});
    count = 0;
}

std::string_view FieldList::Get(int index) const
{
    if (index < 0 || index >= count) {
        return {};
    }
    const Span& span = fields[static_cast<std::size_t>(index)];
    return std::string_view(buffer).substr(span.start, span.length);
}

int FieldList::Number(int index) const
{
    return ReadNumber(Get(index));
}

bool FieldList::Is(std::string_view word) const
{
    return count > 0 && Get(0) == word;
}

int ReadNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulated as a negative number so that INT_MIN itself is reachable; beyond the range it saturates.
    long long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 - (text[i] - '0');
        if (value < static_cast<long long>(INT_MIN)) {
            return negative ? INT_MIN : INT_MAX;
        }
    }
    if (negative) {
        return static_cast<int>(value);
    }
    return value < -static_cast<long long>(INT_MAX) ? INT_MAX : static_cast<int>(-value);
}

void AppendField(std::string& message, std::string_view text)
{
    message += TAB;
    for (const char c : UpToNul(text)) {
        message += c == TAB || c == '\r' || c == '\n' ? ' ' : c;
    }
}

void AppendField(std::string& message, int number)
{
    char digits[16];
    const auto result = std::to_chars(std::begin(digits), std::end(digits), number);
    message += TAB;
    message.append(digits, result.ptr);
}

} // namespace pyrandel
