#include "tools/arpresponder/linksocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace arpresponder {

[[noreturn]] void fail(const std::string& message)
{
    std::fprintf(stderr, "bm-arpresponder: %s\n", message.c_str());
    std::exit(2);
}

Link openLink(const std::string& interfaceName)
{
    const unsigned index = if_nametoindex(interfaceName.c_str());
    if (index == 0)
        fail("no interface " + interfaceName);
    // Protocol 0 until bound: a socket opened for ARP would queue frames of every interface
    // in the moment before bind() narrows it to one.
    Link link;
    link.fd = socket(AF_PACKET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (link.fd < 0)
        fail(std::string("cannot open a packet socket: ") + std::strerror(errno));
    sockaddr_ll address{};
    address.sll_family = AF_PACKET;
    address.sll_protocol = htons(ETH_P_ARP);
    address.sll_ifindex = static_cast<int>(index);
    if (bind(link.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        fail("cannot bind to " + interfaceName + ": " + std::strerror(errno));

    ifreq request{};
    std::strncpy(request.ifr_name, interfaceName.c_str(), IFNAMSIZ - 1);
    if (ioctl(link.fd, SIOCGIFHWADDR, &request) != 0)
        fail("cannot read the MAC of " + interfaceName + ": " + std::strerror(errno));
    if (request.ifr_hwaddr.sa_family != ARPHRD_ETHER)
        fail(interfaceName + " is no Ethernet link");
    std::memcpy(link.mac.data(), request.ifr_hwaddr.sa_data, link.mac.size());

    // A burst of requests (a sweep of a whole network) must wait in the socket while the
    // replies due go out.
    const int bytes = 1 << 20;
    setsockopt(link.fd, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes);
    return link;
}

std::optional<ReceivedFrame> receiveFrame(const Link& link, std::vector<uint8_t>& buffer)
{
    sockaddr_ll from{};
    socklen_t fromLength = sizeof from;
    const ssize_t n = recvfrom(link.fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 0)
        return std::nullopt;
    return ReceivedFrame{static_cast<size_t>(n), from.sll_pkttype != PACKET_OUTGOING};
}

bool sendFrame(const Link& link, const std::vector<uint8_t>& frame, std::string& error)
{
    // The socket is bound to the interface: the frame goes out there as it is.
    const ssize_t sent = send(link.fd, frame.data(), frame.size(), 0);
    if (sent == static_cast<ssize_t>(frame.size()))
        return true;
    error = sent < 0 ? std::strerror(errno) : "frame cut short";
    return false;
}

} // namespace arpresponder
