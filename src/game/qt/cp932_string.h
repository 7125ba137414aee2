#pragma once
// The views' one road between the wire's code page 932 texts and Qt's strings, so every window shows a text the
// same way and hands the core the same bytes back.

#include "text/text_codec.h"

#include <QString>

#include <string>
#include <string_view>

namespace pyrandel {

// A code page 932 text as shown in a widget.
[[nodiscard]] inline QString FromCp932(std::string_view text)
{
    return QString::fromStdString(Cp932ToUtf8(text));
}

// What the player typed, as code page 932 bytes for the core.
[[nodiscard]] inline std::string ToCp932(const QString& text)
{
    return Utf8ToCp932(text.toStdString());
}

} // namespace pyrandel
