#pragma once
// Builds interface lists in the shape getifaddrs returns, for tests of the code that walks
// them: IPv4 entries with or without a netmask, IPv6 entries, link-layer entries, entries
// without an address.

#include "net/ifaddrssource.h"

#include <array>
#include <atomic>
#include <cstring>
#include <deque>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <arpa/inet.h>
#ifdef __linux__
#include <linux/if_packet.h>
#include <net/if_arp.h>
#endif

namespace brenmoor::test {

class FakeInterfaces
{
public:
    static constexpr unsigned kUp = IFF_UP | IFF_RUNNING;

    FakeInterfaces& ipv4(const std::string& name, const std::string& ip, const std::string& mask,
                         unsigned flags = kUp)
    {
        Node& n = add(name, flags);
        setIpv4(n.addr, ip);
        n.entry.ifa_addr = reinterpret_cast<sockaddr*>(&n.addr);
        if (!mask.empty()) {
            setIpv4(n.mask, mask);
            n.entry.ifa_netmask = reinterpret_cast<sockaddr*>(&n.mask);
        }
        return *this;
    }

    FakeInterfaces& ipv6(const std::string& name, unsigned flags = kUp)
    {
        Node& n = add(name, flags);
        n.addr.ss_family = AF_INET6;
        n.entry.ifa_addr = reinterpret_cast<sockaddr*>(&n.addr);
        return *this;
    }

    // A link-layer entry; `hardwareType` is the Linux ARPHRD_* type (1, Ethernet, by default).
    FakeInterfaces& link(const std::string& name, const std::array<unsigned char, 6>& mac,
                         unsigned flags = kUp, unsigned char length = 6, unsigned short hardwareType = 1)
    {
        Node& n = add(name, flags);
#ifdef __linux__
        sockaddr_ll ll{};
        ll.sll_family = AF_PACKET;
        ll.sll_hatype = hardwareType;
        ll.sll_halen = length;
        std::memcpy(ll.sll_addr, mac.data(), mac.size());
        std::memcpy(&n.addr, &ll, sizeof ll);
#endif
        n.entry.ifa_addr = reinterpret_cast<sockaddr*>(&n.addr);
        return *this;
    }

    FakeInterfaces& noAddress(const std::string& name, unsigned flags = kUp)
    {
        add(name, flags);
        return *this;
    }

    const ifaddrs* head() const { return nodes_.empty() ? nullptr : &nodes_.front().entry; }

    // A source that hands out this list (and counts how often it was asked).
    net::IfaddrsSource source()
    {
        return {[this](ifaddrs** list) {
                    ++acquisitions;
                    *list = const_cast<ifaddrs*>(head());
                    return 0;
                },
                [](ifaddrs*) {}};
    }

    static net::IfaddrsSource failing()
    {
        return {[](ifaddrs**) { return -1; }, [](ifaddrs*) {}};
    }

    std::atomic<int> acquisitions{0}; // windows ask from their scan threads too

private:
    struct Node
    {
        ifaddrs entry{};
        std::string name;
        sockaddr_storage addr{};
        sockaddr_storage mask{};
    };

    Node& add(const std::string& name, unsigned flags)
    {
        Node& n = nodes_.emplace_back();
        n.name = name;
        n.entry.ifa_name = n.name.data();
        n.entry.ifa_flags = flags;
        if (nodes_.size() > 1)
            nodes_[nodes_.size() - 2].entry.ifa_next = &n.entry;
        return n;
    }

    static void setIpv4(sockaddr_storage& storage, const std::string& text)
    {
        auto* in = reinterpret_cast<sockaddr_in*>(&storage);
        in->sin_family = AF_INET;
        inet_pton(AF_INET, text.c_str(), &in->sin_addr);
    }

    std::deque<Node> nodes_; // a deque keeps addresses stable as nodes are added
};

} // namespace brenmoor::test
