#include "net/localinterfaces.h"

#include "base/messages.h"
#include "net/hostinterfaces.h"
#include "net/ifaddrssource.h"
#include "net/interfacerules.h"

#include <arpa/inet.h>
#include <atomic>
#include <cstring>
#include <ifaddrs.h>
#include <mutex>
#include <net/if.h>
#include <netinet/in.h>
#include <sstream>

std::string SloaclIP;
unsigned char SloaclMac[6] = {0, 0, 0, 0, 0, 0};

namespace {

// Guards SloaclIP and SloaclMac: the receive thread and the GUI thread may both be the first
// to ask for the local record.
std::mutex localRecordMutex;
std::atomic<unsigned int> cachedLocalId{0};

using brenmoor::messages::Level;

void reportListFailure()
{
    brenmoor::messages::report(Level::Error, "Failed to get interface addresses");
}

// The listing as console lines, one message each.
std::map<std::string, std::string> reportedBroadcastMap(const ifaddrs* list, brenmoor::net::InterfaceRules rules)
{
    std::ostringstream listing;
    std::map<std::string, std::string> result = brenmoor::net::broadcastMapFrom(list, listing, rules);
    brenmoor::messages::reportLines(Level::Info, listing.str());
    return result;
}

} // namespace

namespace brenmoor::net {

std::map<std::string, std::string> broadcastMapFrom(const ifaddrs* list, std::ostream& out, InterfaceRules rules)
{
    std::map<std::string, std::string> result;
    for (const HostAddress& address : hostAddressesFrom(list)) {
        // Without a netmask there is no subnet and no broadcast address to offer.
        if (!isListed(address, rules) || !address.netmask)
            continue;
        const std::string broadcast = calculateBroadcastAddress(address.ip, *address.netmask);
        result.emplace(broadcast, *address.netmask);
        out << "Interface: " << address.name << std::endl;
        out << "  IP Address: " << address.ip << std::endl;
        out << "  Netmask: " << *address.netmask << std::endl;
        out << "  Broadcast Address: " << broadcast << std::endl;
    }
    return result;
}

std::map<std::string, std::string> getbroadcastAddressList(const IfaddrsSource& source)
{
    IfaddrsList list(source);
    if (!list.ok()) {
        reportListFailure();
        return {};
    }
    return reportedBroadcastMap(list.head(), platformInterfaceRules());
}

std::optional<LocalMacIp> chooseLocalRecord(const ifaddrs* list, InterfaceRules rules,
                                            const PhysicalPortTest& isPhysical)
{
    // Best first: a physical port over a software one (a container bridge or a veth must
    // not stand for the host), then en0, then the first in the platform's order.
    std::optional<LocalMacIp> best;
    int bestRank = 0;
    for (const HostAddress& address : hostAddressesFrom(list)) {
        if (!isListed(address, rules) || !(address.flags & IFF_UP))
            continue;
        if (!address.mac || *address.mac == MacAddress{})
            continue;
        const int rank = 1 + (isPhysical && isPhysical(address.link) ? 2 : 0) + (address.name == "en0" ? 1 : 0);
        if (rank <= bestRank)
            continue;
        LocalMacIp record{};
        std::memcpy(record.mac, address.mac->data(), address.mac->size());
        record.ip = address.ip;
        best = record;
        bestRank = rank;
    }
    return best;
}

LocalMacIp getloacMacIp(const IfaddrsSource& source)
{
    std::lock_guard<std::mutex> lock(localRecordMutex);
    if (SloaclIP.empty()) {
        IfaddrsList list(source);
        if (!list.ok()) {
            reportListFailure();
        } else {
            reportedBroadcastMap(list.head(), platformInterfaceRules());
            if (const auto chosen = chooseLocalRecord(list.head(), platformInterfaceRules(), isPhysicalPort)) {
                SloaclIP = chosen->ip;
                std::memcpy(SloaclMac, chosen->mac, sizeof SloaclMac);
            }
        }
    }
    LocalMacIp copy{};
    std::memcpy(copy.mac, SloaclMac, sizeof copy.mac);
    copy.ip = SloaclIP;
    return copy;
}

void forgetLocalRecord()
{
    std::lock_guard<std::mutex> lock(localRecordMutex);
    SloaclIP.clear();
    std::memset(SloaclMac, 0, sizeof SloaclMac);
    cachedLocalId.store(0, std::memory_order_relaxed);
}

unsigned int localIdFromMac(const unsigned char mac[6])
{
    return static_cast<unsigned int>(mac[2]) | (static_cast<unsigned int>(mac[3]) << 8)
        | (static_cast<unsigned int>(mac[4]) << 16) | (static_cast<unsigned int>(mac[5]) << 24);
}

} // namespace brenmoor::net

std::map<std::string, std::string> getbroadcastAddressList()
{
    return brenmoor::net::getbroadcastAddressList(brenmoor::net::systemIfaddrs());
}

std::string calculateBroadcastAddress(const std::string& ip, const std::string& mask)
{
    in_addr address{};
    in_addr netmask{};
    if (inet_pton(AF_INET, ip.c_str(), &address) != 1 || inet_pton(AF_INET, mask.c_str(), &netmask) != 1)
        return {};
    in_addr broadcast{};
    broadcast.s_addr = address.s_addr | ~netmask.s_addr;
    char buffer[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &broadcast, buffer, sizeof buffer);
    return buffer;
}

LocalMacIp getloacMacIp()
{
    return brenmoor::net::getloacMacIp(brenmoor::net::systemIfaddrs());
}

unsigned int getLocalID()
{
    if (const unsigned int cached = cachedLocalId.load(std::memory_order_relaxed))
        return cached;
    const LocalMacIp local = getloacMacIp();
    // A zero result is stored too, which leaves the cache empty: the next call looks again.
    const unsigned int id = brenmoor::net::localIdFromMac(local.mac);
    cachedLocalId.store(id, std::memory_order_relaxed);
    return id;
}

std::string ipTo1(const std::string& ip)
{
    const auto dot = ip.rfind('.');
    if (dot == std::string::npos)
        return ip;
    return ip.substr(0, dot + 1) + "1";
}
