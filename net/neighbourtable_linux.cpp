#include "net/neighbourtable.h"

#include <arpa/inet.h>
#include <cstring>
#include <fstream>
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

// The kernel gives an entry's ages in clock ticks of the user interface.
std::chrono::milliseconds fromClockTicks(uint32_t ticks)
{
    static const long perSecond = [] {
        const long value = sysconf(_SC_CLK_TCK);
        return value > 0 ? value : 100;
    }();
    return std::chrono::milliseconds(static_cast<int64_t>(ticks) * 1000 / perSecond);
}

// Hands each attribute after a message's family header of `headerSize` bytes to `attribute`;
// false when one runs past the message (the message is then of no use). The data may sit at
// any alignment, so every header is copied out rather than cast in place.
bool walkAttributes(const unsigned char* message, size_t length, size_t headerSize,
                    const std::function<void(uint16_t type, const unsigned char* data, size_t payload)>& attribute)
{
    size_t offset = NLMSG_HDRLEN + NLMSG_ALIGN(headerSize);
    while (offset + sizeof(rtattr) <= length) {
        rtattr header{};
        std::memcpy(&header, message + offset, sizeof header);
        if (header.rta_len < sizeof(rtattr) || header.rta_len > length - offset)
            return false;
        attribute(header.rta_type, message + offset + RTA_LENGTH(0), header.rta_len - RTA_LENGTH(0));
        offset += RTA_ALIGN(header.rta_len);
    }
    return true;
}

// Reads one neighbour message: its address, link-layer address, interface, state and ages.
void parseEntry(const unsigned char* message, size_t length, const std::function<void(const Neighbour&)>& sink)
{
    if (length < NLMSG_LENGTH(sizeof(ndmsg)))
        return;
    ndmsg header{};
    std::memcpy(&header, message + NLMSG_HDRLEN, sizeof header);
    if (header.ndm_family != AF_INET)
        return;
    const unsigned char* dst = nullptr;
    const unsigned char* lladdr = nullptr;
    std::optional<nda_cacheinfo> cache;
    const bool whole = walkAttributes(message, length, sizeof(ndmsg), [&](uint16_t type, const unsigned char* data, size_t payload) {
        if (type == NDA_DST && payload == 4)
            dst = data;
        else if (type == NDA_LLADDR && payload == 6)
            lladdr = data;
        else if (type == NDA_CACHEINFO && payload >= sizeof(nda_cacheinfo)) {
            nda_cacheinfo info{};
            std::memcpy(&info, data, sizeof info);
            cache = info;
        }
    });
    if (!whole)
        return;
    if (!dst)
        return;
    Neighbour entry;
    char text[INET_ADDRSTRLEN] = {};
    in_addr address{};
    std::memcpy(&address, dst, sizeof address);
    inet_ntop(AF_INET, &address, text, sizeof text);
    entry.ip = text;
    if (lladdr)
        entry.mac = formatMac(lladdr);
    entry.ifIndex = header.ndm_ifindex > 0 ? static_cast<unsigned>(header.ndm_ifindex) : 0;
    entry.resolved = lladdr && isUsableState(header.ndm_state);
    entry.reachable = (header.ndm_state & NUD_REACHABLE) != 0;
    entry.stale = (header.ndm_state & NUD_STALE) != 0;
    if (cache) {
        entry.confirmedAge = fromClockTicks(cache->ndm_confirmed);
        entry.updatedAge = fromClockTicks(cache->ndm_updated);
    }
    // What the kernel's forced collection takes when a new entry needs the room.
    const bool kept = (header.ndm_state & (NUD_PERMANENT | NUD_NOARP)) != 0;
    entry.reclaimable = (header.ndm_state & NUD_FAILED) != 0
        || (!kept && entry.updatedAge && *entry.updatedAge > std::chrono::seconds(5));
    sink(entry);
}

// Hands each message of `type` in one buffer of a dump to `message`: Done at NLMSG_DONE,
// Failed at NLMSG_ERROR or on a malformed message, More otherwise.
DumpStatus walkDump(const unsigned char* data, size_t len, uint16_t type,
                    const std::function<void(const unsigned char*, size_t)>& message)
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
        if (header.nlmsg_type == type)
            message(data + offset, header.nlmsg_len);
        offset += NLMSG_ALIGN(header.nlmsg_len);
    }
    return DumpStatus::More;
}

// Sends one dump request of `type` for IPv4 (its header `Header`, the family first) and hands
// every buffer of the answer to `parse` until it says the dump is over; false when the answer
// could not be read to its end.
template <typename Header>
bool dumpIpv4(uint16_t type, const std::function<DumpStatus(const unsigned char*, size_t)>& parse)
{
    const int sock = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (sock < 0)
        return false;
    timeval timeout{1, 0}; // a kernel that never finishes the dump must not hang the scan
    setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);

    struct
    {
        nlmsghdr header;
        Header body;
    } request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = type;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = 1;
    std::memset(&request.body, 0, sizeof request.body);
    *reinterpret_cast<unsigned char*>(&request.body) = AF_INET; // ndm_family, ndtm_family

    bool done = false;
    if (send(sock, &request, sizeof request, 0) == static_cast<ssize_t>(sizeof request)) {
        std::vector<unsigned char> buffer(1 << 16);
        for (;;) {
            const ssize_t received = recv(sock, buffer.data(), buffer.size(), 0);
            if (received <= 0)
                break;
            const DumpStatus status = parse(buffer.data(), static_cast<size_t>(received));
            if (status != DumpStatus::More) {
                done = status == DumpStatus::Done;
                break;
            }
        }
    }
    close(sock);
    return done;
}

// The size of the IPv4 table from one message of an RTM_GETNEIGHTBL dump, when it is the
// table's own (with its limits) and not one interface's parameters.
void parseTableMessage(const unsigned char* message, size_t length, std::optional<NeighbourTableSize>& size)
{
    std::optional<uint32_t> limit;
    std::optional<uint32_t> entries;
    const bool whole = walkAttributes(message, length, sizeof(ndtmsg), [&](uint16_t type, const unsigned char* data, size_t payload) {
        if (type == NDTA_THRESH3 && payload >= sizeof(uint32_t)) {
            uint32_t value = 0;
            std::memcpy(&value, data, sizeof value);
            limit = value;
        } else if (type == NDTA_CONFIG && payload >= sizeof(ndt_config)) {
            ndt_config config{};
            std::memcpy(&config, data, sizeof config);
            entries = config.ndtc_entries;
        }
    });
    if (!whole)
        return;
    if (limit && entries && !size)
        size = NeighbourTableSize{*limit, *entries};
}

} // namespace

DumpStatus parseNeighbourEntries(const unsigned char* data, size_t len, const std::function<void(const Neighbour&)>& sink)
{
    return walkDump(data, len, RTM_NEWNEIGH,
                    [&](const unsigned char* message, size_t length) { parseEntry(message, length, sink); });
}

DumpStatus parseNeighbourDump(const unsigned char* data, size_t len, const NeighbourSink& sink)
{
    return parseNeighbourEntries(data, len, [&](const Neighbour& entry) {
        if (entry.resolved)
            sink(entry.ip, entry.mac);
    });
}

std::optional<std::vector<Neighbour>> readNeighbours()
{
    std::vector<Neighbour> entries;
    const bool read = dumpIpv4<ndmsg>(RTM_GETNEIGH, [&](const unsigned char* data, size_t len) {
        return parseNeighbourEntries(data, len, [&](const Neighbour& entry) { entries.push_back(entry); });
    });
    if (!read)
        return std::nullopt;
    return entries;
}

std::optional<NeighbourTableSize> readNeighbourTableSize()
{
    std::optional<NeighbourTableSize> size;
    dumpIpv4<ndtmsg>(RTM_GETNEIGHTBL, [&](const unsigned char* data, size_t len) {
        return walkDump(data, len, RTM_NEWNEIGHTBL, [&](const unsigned char* message, size_t length) {
            if (length >= NLMSG_LENGTH(sizeof(ndtmsg)))
                parseTableMessage(message, length, size);
        });
    });
    return size;
}

} // namespace brenmoor::net

void readArpTable(NeighbourMap& out, const std::string& prefix)
{
    const auto entries = brenmoor::net::readNeighbours();
    if (!entries)
        return;
    for (const brenmoor::net::Neighbour& entry : *entries) {
        if (entry.resolved)
            brenmoor::net::addNeighbour(out, prefix, entry.mac, entry.ip);
    }
}
