#include "app/host_addresses.h"

#include "text/texts.h"

namespace pyrandel {

std::string HostAddressLine(const std::vector<std::string>& addresses, const std::vector<std::string>& links)
{
    if (addresses.empty() && links.empty()) {
        return {};
    }
    std::string line(texts::CHAT_HOST_ADDRESSES);
    bool first = true;
    for (const std::vector<std::string>* list : {&addresses, &links}) {
        for (const std::string& entry : *list) {
            if (!first) {
                line.append(texts::ADDRESS_SEPARATOR);
            }
            line.append(entry);
            first = false;
        }
    }
    return line;
}

} // namespace pyrandel
