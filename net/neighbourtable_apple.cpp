#include "net/neighbourtable.h"

#include <arpa/inet.h>
#include <cstring>
#include <net/if_dl.h>
#include <net/route.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/sysctl.h>
#include <vector>

namespace brenmoor::net {

void parseRouteDump(const unsigned char* data, size_t len, const NeighbourSink& sink)
{
    size_t offset = 0;
    while (offset + sizeof(rt_msghdr) <= len) {
        rt_msghdr message{};
        std::memcpy(&message, data + offset, sizeof message);
        if (message.rtm_msglen == 0 || message.rtm_msglen > len - offset)
            break; // a zero length would never advance; a long one runs past the dump
        const unsigned char* end = data + offset + message.rtm_msglen;
        const unsigned char* cursor = data + offset + sizeof(rt_msghdr);
        const sockaddr_in* inet = nullptr;
        const sockaddr_dl* link = nullptr;
        for (int bit = 0; bit < RTAX_MAX && cursor < end; ++bit) {
            if (!(message.rtm_addrs & (1 << bit)))
                continue;
            const auto* address = reinterpret_cast<const sockaddr*>(cursor);
            if (address->sa_len == 0 || cursor + address->sa_len > end)
                break;
            if (address->sa_family == AF_INET && !inet)
                inet = reinterpret_cast<const sockaddr_in*>(address);
            else if (address->sa_family == AF_LINK && !link)
                link = reinterpret_cast<const sockaddr_dl*>(address);
            cursor += address->sa_len;
        }
        if (inet && link && link->sdl_alen != 0
            && reinterpret_cast<const unsigned char*>(LLADDR(link)) + 6 <= end) {
            char text[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &inet->sin_addr, text, sizeof text);
            sink(text, formatMac(reinterpret_cast<const unsigned char*>(LLADDR(link))));
        }
        offset += message.rtm_msglen;
    }
}

std::optional<std::vector<Neighbour>> readNeighbours()
{
    int mib[6] = {CTL_NET, PF_ROUTE, 0, AF_INET, NET_RT_FLAGS, RTF_LLINFO};
    size_t needed = 0;
    if (sysctl(mib, 6, nullptr, &needed, nullptr, 0) < 0)
        return std::nullopt;
    std::vector<unsigned char> buffer(needed);
    if (needed != 0 && sysctl(mib, 6, buffer.data(), &needed, nullptr, 0) < 0)
        return std::nullopt;
    // The dump holds resolved entries only and says nothing of their age: each counts.
    std::vector<Neighbour> entries;
    parseRouteDump(buffer.data(), needed, [&](const std::string& ip, const std::string& mac) {
        Neighbour entry;
        entry.ip = ip;
        entry.mac = mac;
        entry.resolved = true;
        entry.reachable = true;
        entries.push_back(entry);
    });
    return entries;
}

std::optional<NeighbourTableSize> readNeighbourTableSize()
{
    return std::nullopt; // the table grows as needed (net.link.ether.inet.max_age ages it)
}

} // namespace brenmoor::net

void readArpTable(NeighbourMap& out, const std::string& prefix)
{
    int mib[6] = {CTL_NET, PF_ROUTE, 0, AF_INET, NET_RT_FLAGS, RTF_LLINFO};
    size_t needed = 0;
    if (sysctl(mib, 6, nullptr, &needed, nullptr, 0) < 0 || needed == 0)
        return;
    std::vector<unsigned char> buffer(needed);
    if (sysctl(mib, 6, buffer.data(), &needed, nullptr, 0) < 0 || needed == 0)
        return;
    brenmoor::net::parseRouteDump(buffer.data(), needed, [&](const std::string& ip, const std::string& mac) {
        brenmoor::net::addNeighbour(out, prefix, mac, ip);
    });
}
