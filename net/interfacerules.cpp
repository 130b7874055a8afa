#include "net/interfacerules.h"

#include <cstring>
#include <net/if.h>

namespace brenmoor::net {

namespace {

bool startsWith(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
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

bool isSweepableInterface(const std::string& name, unsigned flags, InterfaceRules rules)
{
    if (rules == InterfaceRules::Apple)
        return name != "lo0" && !startsWith(name.c_str(), "utun") && !startsWith(name.c_str(), "awdl");
    // A VPN or other tunnel has no neighbours to resolve: 254 probes into it find nothing and
    // cost a pause of their own.
    return (flags & (IFF_POINTOPOINT | IFF_NOARP)) == 0;
}

} // namespace brenmoor::net
