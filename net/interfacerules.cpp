#include "net/interfacerules.h"

#include "net/linkaddress.h"

#include <arpa/inet.h>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace brenmoor::net {

namespace {

bool startsWith(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool isLoopbackAddress(const sockaddr* address)
{
    const auto* in = reinterpret_cast<const sockaddr_in*>(address);
    return in->sin_addr.s_addr == htonl(INADDR_LOOPBACK);
}

} // namespace

InterfaceRules platformInterfaceRules()
{
#if defined(__APPLE__)
    return InterfaceRules::Apple;
#else
    return InterfaceRules::Linux;
#endif
}

std::string linkNameOf(const std::string& interfaceName)
{
    const auto colon = interfaceName.find(':');
    return colon == std::string::npos ? interfaceName : interfaceName.substr(0, colon);
}

bool isListedLanEntry(const ifaddrs& entry, const ifaddrs* list, InterfaceRules rules)
{
    if (!entry.ifa_addr || entry.ifa_addr->sa_family != AF_INET || !entry.ifa_name)
        return false;
    if (isLoopbackAddress(entry.ifa_addr))
        return false;
    if (rules == InterfaceRules::Apple)
        return startsWith(entry.ifa_name, "en") || startsWith(entry.ifa_name, "wlan");
    if (entry.ifa_flags & (IFF_LOOPBACK | IFF_POINTOPOINT | IFF_NOARP))
        return false;
    return isEthernetLink(list, linkNameOf(entry.ifa_name).c_str());
}

bool isSweepableInterface(const std::string& name, unsigned flags, InterfaceRules rules)
{
    if (rules == InterfaceRules::Apple)
        return name != "lo0" && !startsWith(name.c_str(), "utun") && !startsWith(name.c_str(), "awdl");
    // A VPN or other tunnel has no neighbours to resolve: 254 probes into it find nothing and
    // cost a pause of their own.
    return (flags & (IFF_POINTOPOINT | IFF_NOARP)) == 0;
}

} // namespace brenmoor::net
