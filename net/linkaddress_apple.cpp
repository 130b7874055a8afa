#include "net/interfacerules.h"
#include "net/linkaddress.h"

#include <cstring>
#include <ifaddrs.h>
#include <net/if_dl.h>
#include <net/if_types.h>
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

bool isEthernetLinkEntry(const ifaddrs& entry)
{
    if (!entry.ifa_addr || entry.ifa_addr->sa_family != AF_LINK)
        return false;
    const auto* dl = reinterpret_cast<const sockaddr_dl*>(entry.ifa_addr);
    return dl->sdl_type == IFT_ETHER && dl->sdl_alen == 6;
}

bool isPhysicalPort(const std::string& /*linkName*/)
{
    // The port names already say what a port is; the order of the local record decides.
    return true;
}

bool isContainerBridge(const std::string& /*linkName*/)
{
    // bridge0 joins Thunderbolt ports and shared networks: swept, as the names rule.
    return false;
}

} // namespace brenmoor::net
