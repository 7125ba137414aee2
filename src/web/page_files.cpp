#include "web/page_files.h"

#include <algorithm>

namespace pyrandel {

const PageFile* FindPageFile(std::string_view target)
{
    target = target.substr(0, target.find_first_of("?#"));
    if (target == "/") {
        target = "/index.html";
    }
    const auto files = PageFiles();
    const auto found =
        std::find_if(files.begin(), files.end(), [&](const PageFile& file) { return file.path == target; });
    return found == files.end() ? nullptr : &*found;
}

} // namespace pyrandel
