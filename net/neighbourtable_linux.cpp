#include "net/neighbourtable.h"

#include <arpa/inet.h>
#include <cstring>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

namespace brenmoor::net {

namespace {

// Entries that did not (or no longer) resolve carry no usable address.
bool isUsableState(uint16_t state)
{
    return state != NUD_NONE && (state & (NUD_INCOMPLETE | NUD_FAILED | NUD_NOARP)) == 0;
}

// Reads one neighbour message's attributes; the data may sit at any alignment, so every
// header is copied out rather than cast in place.
void parseNeighbour(const unsigned char* message, size_t length, const NeighbourSink& sink)
{
    if (length < NLMSG_LENGTH(sizeof(ndmsg)))
        return;
    ndmsg neighbour{};
    std::memcpy(&neighbour, message + NLMSG_HDRLEN, sizeof neighbour);
    if (neighbour.ndm_family != AF_INET || !isUsableState(neighbour.ndm_state))
        return;
    const unsigned char* dst = nullptr;
    const unsigned char* lladdr = nullptr;
    size_t offset = NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(ndmsg));
    while (offset + sizeof(rtattr) <= length) {
        rtattr attribute{};
        std::memcpy(&attribute, message + offset, sizeof attribute);
        if (attribute.rta_len < sizeof(rtattr) || attribute.rta_len > length - offset)
            return;
        const size_t payload = attribute.rta_len - RTA_LENGTH(0);
        if (attribute.rta_type == NDA_DST && payload == 4)
            dst = message + offset + RTA_LENGTH(0);
        else if (attribute.rta_type == NDA_LLADDR && payload == 6)
            lladdr = message + offset + RTA_LENGTH(0);
        offset += RTA_ALIGN(attribute.rta_len);
    }
    if (!dst || !lladdr)
        return;
    char text[INET_ADDRSTRLEN] = {};
    in_addr address{};
    std::memcpy(&address, dst, sizeof address);
    inet_ntop(AF_INET, &address, text, sizeof text);
    sink(text, formatMac(lladdr));
}

} // namespace

DumpStatus parseNeighbourDump(const unsigned char* data, size_t len, const NeighbourSink& sink)
{
    size_t offset = 0;
    while (offset + sizeof(nlmsghdr) <= len) {
        nlmsghdr header{};
        std::memcpy(&header, data + offset, sizeof header);
        if (header.nlmsg_len < sizeof(nlmsghdr) || header.nlmsg_len > len - offset)
            return DumpStatus::Failed;
        if (header.nlmsg_type == NLMSG_DONE)
            return DumpStatus::Done;
        if (header.nlmsg_type == NLMSG_ERROR)
            return DumpStatus::Failed;
        if (header.nlmsg_type == RTM_NEWNEIGH)
            parseNeighbour(data + offset, header.nlmsg_len, sink);
        offset += NLMSG_ALIGN(header.nlmsg_len);
    }
    return DumpStatus::More;
}

} // namespace brenmoor::net

void readArpTable(NeighbourMap& out, const std::string& prefix)
{
    const int sock = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (sock < 0)
        return;
    timeval timeout{1, 0}; // a kernel that never finishes the dump must not hang the scan
    setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);

    struct
    {
        nlmsghdr header;
        ndmsg neighbour;
    } request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETNEIGH;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = 1;
    request.neighbour.ndm_family = AF_INET;

    NeighbourMap found;
    const brenmoor::net::NeighbourSink sink = [&](const std::string& ip, const std::string& mac) {
        brenmoor::net::addNeighbour(found, prefix, mac, ip);
    };
    if (send(sock, &request, sizeof request, 0) == static_cast<ssize_t>(sizeof request)) {
        std::vector<unsigned char> buffer(1 << 16);
        for (;;) {
            const ssize_t received = recv(sock, buffer.data(), buffer.size(), 0);
            if (received <= 0)
                break;
            const auto status = brenmoor::net::parseNeighbourDump(buffer.data(), static_cast<size_t>(received), sink);
            if (status != brenmoor::net::DumpStatus::More)
                break;
        }
    }
    close(sock);
    for (const auto& [mac, ip] : found)
        out[mac] = ip;
}
