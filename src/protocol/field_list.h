#pragma once
// A received line cut into TAB-separated fields.
//
// Grammar of a line (CR LF is the line layer's business and never reaches here):
//   line   = word *( TAB field )      at most 15 fields are told apart; field 14 keeps the rest, TABs included
//   word   = the command word, compared whole and case-sensitively ("PLOT" matches neither "PLOTX" nor "plot")
//   field  = any bytes but TAB; nothing is trimmed, converted or validated (texts are code page 932)
//   number = read like C's atoi: leading white space, an optional sign, digits; no digits reads 0

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace pyrandel {

inline constexpr int MAX_FIELDS = 15;

class FieldList {
public:
    FieldList() = default;
    explicit FieldList(std::string_view line) { Split(line); }

    // Replaces the contents with the fields of `line`, which ends at its first NUL byte if it has one.
    void Split(std::string_view line);
    void Clear();

    // Field `index`, or the empty text for any index below 0 or not below Count().
    [[nodiscard]] std::string_view Get(int index) const;
    // Field `index` read as a number (missing field: 0).
    [[nodiscard]] int Number(int index) const;
    [[nodiscard]] int Count() const { return count; }
    // Whether field 0 is exactly `word`.
    [[nodiscard]] bool Is(std::string_view word) const;

private:
    // Fields are kept as positions in `buffer`, not as views, so that a copied or moved list never points into
    // the buffer of another.
    struct Span {
        std::size_t start = 0;
        std::size_t length = 0;
    };

    std::string buffer;
    std::array<Span, MAX_FIELDS> fields{};
    int count = 0;
};

// atoi semantics without its undefined behaviour: a value beyond int saturates at INT_MIN or INT_MAX.
[[nodiscard]] int ReadNumber(std::string_view text);

// Appends one TAB and `text` to `message`. The text ends at its first NUL, as a line does, and a TAB, CR or LF in
// it becomes a space: a field never splits into two fields or starts a line of its own at the receiver. (Code
// page 932 trail bytes are never one of these, so Japanese text passes unchanged.)
void AppendField(std::string& message, std::string_view text);
// Appends one TAB and `number` written with "%d".
void AppendField(std::string& message, int number);

} // namespace pyrandel
