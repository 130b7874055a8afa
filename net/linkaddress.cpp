#include "net/linkaddress.h"

#include <cstring>
#include <ifaddrs.h>

namespace brenmoor::net {

std::optional<MacAddress> findLinkLayerAddress(const ifaddrs* list, const char* name)
{
    if (!name)
        return std::nullopt;
    for (const ifaddrs* it = list; it; it = it->ifa_next) {
        if (!it->ifa_name || !it->ifa_addr || std::strcmp(it->ifa_name, name) != 0)
            continue;
        if (auto mac = linkLayerAddressOf(*it))
            return mac;
    }
    return std::nullopt;
}

bool isEthernetLink(const ifaddrs* list, const char* name)
{
    if (!name)
        return false;
    for (const ifaddrs* it = list; it; it = it->ifa_next) {
        if (it->ifa_name && it->ifa_addr && std::strcmp(it->ifa_name, name) == 0 && isEthernetLinkEntry(*it))
            return true;
    }
    return false;
}

} // namespace brenmoor::net
