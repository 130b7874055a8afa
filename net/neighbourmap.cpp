#include "net/neighbourmap.h"

#include "net/neighbourtable.h"

#include <cstdio>
#include <fstream>

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

bool isFreshEvidence(const Neighbour& neighbour, std::chrono::milliseconds sinceSweepBegan)
{
    if (!neighbour.resolved)
        return false;
    // The kernel counts ages in clock ticks: a confirmation in the sweep's first tick may
    // read one tick older than the sweep.
    constexpr std::chrono::milliseconds kTick(10);
    return neighbour.reachable || (neighbour.confirmedAge && *neighbour.confirmedAge <= sinceSweepBegan + kTick);
}

bool isLearnedDuringSearch(const Neighbour& neighbour, std::chrono::milliseconds sinceSearchBegan)
{
    constexpr std::chrono::milliseconds kTick(10);
    return neighbour.resolved && (neighbour.stale || neighbour.reachable) && neighbour.updatedAge
        && *neighbour.updatedAge <= sinceSearchBegan + kTick;
}

std::optional<size_t> neighbourTableLimit(const std::string& path)
{
    std::ifstream file(path);
    long long value = -1;
    if (!(file >> value) || value <= 0)
        return std::nullopt;
    return static_cast<size_t>(value);
}

} // namespace brenmoor::net
