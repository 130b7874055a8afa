#include "net/hostinterfaces.h"

#include "net/ifaddrssource.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace brenmoor::net {

namespace {

std::string ipv4Text(const sockaddr* address)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
    return text;
}

} // namespace

std::vector<HostAddress> hostAddressesFrom(const ifaddrs* list)
{
    std::vector<HostAddress> addresses;
    for (const ifaddrs* it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET || !it->ifa_name)
            continue;
        HostAddress address;
        address.name = it->ifa_name;
        address.link = linkNameOf(address.name);
        address.ip = ipv4Text(it->ifa_addr);
        if (it->ifa_netmask && it->ifa_netmask->sa_family == AF_INET)
            address.netmask = ipv4Text(it->ifa_netmask);
        address.flags = it->ifa_flags;
        address.loopbackAddress
            = reinterpret_cast<const sockaddr_in*>(it->ifa_addr)->sin_addr.s_addr == htonl(INADDR_LOOPBACK);
        address.ethernetLink = isEthernetLink(list, address.link.c_str());
        address.mac = findLinkLayerAddress(list, address.link.c_str());
        addresses.push_back(std::move(address));
    }
    return addresses;
}

std::optional<std::vector<HostAddress>> readHostAddresses(const IfaddrsSource& source)
{
    const IfaddrsList list(source);
    if (!list.ok())
        return std::nullopt;
    return hostAddressesFrom(list.head());
}

bool isListed(const HostAddress& address, InterfaceRules rules)
{
    if (address.loopbackAddress)
        return false;
    if (rules == InterfaceRules::Apple)
        return address.name.rfind("en", 0) == 0 || address.name.rfind("wlan", 0) == 0;
    if (address.flags & (IFF_LOOPBACK | IFF_POINTOPOINT | IFF_NOARP))
        return false;
    return address.ethernetLink;
}

bool isSearched(const HostAddress& address)
{
    return (address.flags & (IFF_UP | IFF_LOOPBACK)) == IFF_UP;
}

bool isSwept(const HostAddress& address, InterfaceRules rules)
{
    return isSweepableInterface(address.name, address.flags, rules);
}

} // namespace brenmoor::net
