#include "net/sweepplan.h"

#include <algorithm>
#include <arpa/inet.h>
#include <set>

namespace brenmoor::net {

bool inNetwork(uint32_t ip, const SweptAddress& address)
{
    return (ip & address.mask) == (address.ip & address.mask);
}

std::vector<uint32_t> sweepTargets(const SweptAddress& address, const std::vector<uint32_t>& listed,
                                   const std::vector<uint32_t>& own)
{
    const uint32_t network = address.ip & address.mask;
    const uint32_t broadcast = network | ~address.mask;
    const uint64_t hosts = static_cast<uint64_t>(~address.mask) + 1; // addresses in the network
    std::set<uint32_t> targets;
    const auto take = [&](uint32_t ip) {
        // A /31 has no network or broadcast address: both are hosts.
        const bool edge = hosts > 2 && (ip == network || ip == broadcast);
        if (!edge && (ip & address.mask) == network && std::find(own.begin(), own.end(), ip) == own.end())
            targets.insert(ip);
    };
    if (hosts <= 1)
        return {}; // a /32 has no neighbours on its link
    if (hosts - 2 <= kWholeNetworkHosts || hosts == 2) {
        for (uint64_t ip = network; ip <= broadcast; ++ip)
            take(static_cast<uint32_t>(ip));
    } else {
        const uint32_t own24 = address.ip & 0xFFFFFF00u;
        for (uint32_t host = 1; host <= 254; ++host)
            take(own24 | host);
        for (const uint32_t ip : listed)
            take(ip);
    }
    return {targets.begin(), targets.end()};
}

std::vector<ProbeTarget> planSweep(const std::vector<SweptAddress>& addresses, const std::vector<uint32_t>& listed,
                                   const std::vector<uint32_t>& own)
{
    std::vector<ProbeTarget> plan;
    std::set<std::pair<unsigned, uint32_t>> planned;
    for (const SweptAddress& address : addresses) {
        for (const uint32_t ip : sweepTargets(address, listed, own)) {
            if (planned.emplace(address.ifIndex, ip).second)
                plan.push_back({ip, address.ifIndex});
        }
    }
    return plan;
}

size_t roundsFor(size_t probes, size_t room)
{
    const size_t perRound = std::max(room, kMinimumRound);
    return probes == 0 ? 1 : (probes + perRound - 1) / perRound;
}

bool parseIpv4(const std::string& text, uint32_t& ip)
{
    in_addr address{};
    if (inet_pton(AF_INET, text.c_str(), &address) != 1)
        return false;
    ip = ntohl(address.s_addr);
    return true;
}

std::string ipv4Text(uint32_t ip)
{
    in_addr address{};
    address.s_addr = htonl(ip);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

} // namespace brenmoor::net
