#include "linkaddress.h"

#include <cstring>
#include <ifaddrs.h>
#include <net/if_dl.h>
#include <sys/socket.h>

namespace brenmoor::net {

std::optional<MacAddress> linkLayerAddressOf(const ifaddrs& entry)
{
    if (!entry.ifa_addr || entry.ifa_addr->sa_family != AF_LINK)
        return std::nullopt;
    const auto* dl = reinterpret_cast<const sockaddr_dl*>(entry.ifa_addr);
    if (dl->sdl_alen != 6)
        return std::nullopt;
    MacAddress mac{};
    std::memcpy(mac.data(), LLADDR(dl), mac.size());
    return mac;
}

} // namespace brenmoor::net
