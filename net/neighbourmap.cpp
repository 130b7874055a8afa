#include "net/neighbourmap.h"

#include <cstdio>

namespace brenmoor::net {

std::string formatMac(const unsigned char* bytes)
{
    char text[18] = {};
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", bytes[0], bytes[1], bytes[2], bytes[3],
                  bytes[4], bytes[5]);
    return text;
}

bool matchesPrefix(const std::string& ip, const std::string& prefix)
{
    if (prefix.empty())
        return true;
    return ip.size() > prefix.size() && ip.compare(0, prefix.size(), prefix) == 0 && ip[prefix.size()] == '.';
}

void addPair(NeighbourMap& out, const std::string& mac, const std::string& ip)
{
    const auto [first, last] = out.equal_range(mac);
    for (auto it = first; it != last; ++it) {
        if (it->second == ip)
            return;
    }
    out.emplace(mac, ip);
}

void addNeighbour(NeighbourMap& out, const std::string& prefix, const std::string& mac, const std::string& ip)
{
    if (matchesPrefix(ip, prefix) && mac.size() == 17)
        addPair(out, mac, ip);
}

size_t hostCount(const NeighbourMap& map)
{
    size_t hosts = 0;
    for (auto it = map.begin(); it != map.end(); it = map.upper_bound(it->first))
        ++hosts;
    return hosts;
}

} // namespace brenmoor::net
