#pragma once
// The page's files, embedded into the program at build time from src/web/page (cmake/EmbedFiles.cmake): a
// request names one of these or gets 404, so no request ever reaches a path on disk.

#include <span>
#include <string_view>

namespace pyrandel {

struct PageFile {
    std::string_view path;         // "/index.html"
    std::string_view content_type; // with the charset for texts
    std::string_view body;
};

[[nodiscard]] std::span<const PageFile> PageFiles();

// The file a request target names: "/" is the page itself; a query ("?v=2") is not part of the name.
[[nodiscard]] const PageFile* FindPageFile(std::string_view target);

} // namespace pyrandel
