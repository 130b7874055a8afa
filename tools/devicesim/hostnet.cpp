#include "tools/devicesim/hostnet.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace devicesim {

std::string firstHostAddress()
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return {};
    std::string found;
    for (ifaddrs* it = list; it && found.empty(); it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET || (it->ifa_flags & IFF_LOOPBACK))
            continue;
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(it->ifa_addr)->sin_addr, text, sizeof text);
        found = text;
    }
    freeifaddrs(list);
    return found;
}

int prefixLength(const std::string& mask)
{
    in_addr a{};
    if (inet_pton(AF_INET, mask.c_str(), &a) != 1)
        return 24;
    return __builtin_popcount(a.s_addr);
}

std::string interfaceHolding(const std::string& ip)
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return {};
    std::string name;
    for (ifaddrs* it = list; it && name.empty(); it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(it->ifa_addr)->sin_addr, text, sizeof text);
        if (ip == text)
            name = it->ifa_name;
    }
    freeifaddrs(list);
    return name;
}

int udpSocket(const std::string& ip, unsigned short port)
{
    const int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0)
        fail("socket");
    const int on = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    setsockopt(sock, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on);
    setsockopt(sock, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1
        || bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        fail("cannot bind " + ip + ":" + std::to_string(port) + ": " + std::strerror(errno));
    return sock;
}

void sendTo(int sock, unsigned ifIndex, const std::string& ip, unsigned short port, const Bytes& bytes)
{
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(port);
    inet_pton(AF_INET, ip.c_str(), &destination.sin_addr);
    iovec iov{const_cast<unsigned char*>(bytes.data()), bytes.size()};
    msghdr message{};
    message.msg_name = &destination;
    message.msg_namelen = sizeof destination;
    message.msg_iov = &iov;
    message.msg_iovlen = 1;
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    if (ifIndex != 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&message);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_ifindex = static_cast<int>(ifIndex);
        // The source stays the address the socket is bound to: with none named here the
        // kernel would take the interface's first address, and every device sharing a host
        // would answer from it.
        sockaddr_in bound{};
        socklen_t length = sizeof bound;
        if (getsockname(sock, reinterpret_cast<sockaddr*>(&bound), &length) == 0)
            info.ipi_spec_dst = bound.sin_addr;
        std::memcpy(CMSG_DATA(c), &info, sizeof info);
    }
    sendmsg(sock, &message, 0);
}

} // namespace devicesim
