// Any bytes as a received line: splitting and number reading must stay in bounds and agree with each other.

#include "protocol/field_list.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    pyrandel::FieldList fields(line);
    const std::string_view text = line.substr(0, line.find('\0'));
    if (fields.Count() < 1 || fields.Count() > pyrandel::MAX_FIELDS)
        std::abort();
    std::size_t total = 0;
    for (int i = -1; i <= pyrandel::MAX_FIELDS; ++i) {
        const std::string_view field = fields.Get(i);
        (void)fields.Number(i);
        if (i < 0 || i >= fields.Count()) {
            if (!field.empty())
                std::abort();
            continue;
        }
        total += field.size();
    }
    // Every byte of the line is either in a field or one of the separators between them.
    if (total + static_cast<std::size_t>(fields.Count() - 1) != text.size())
        std::abort();
    (void)pyrandel::ReadNumber(line);
    return 0;
}
