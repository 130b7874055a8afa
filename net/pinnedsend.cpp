#include "net/pinnedsend.h"

#include <arpa/inet.h>
#include <cstring>
#include <sys/socket.h>

namespace brenmoor::net {

ssize_t sendThroughInterface(int sock, unsigned ifIndex, const std::string& source, const sockaddr_in& destination,
                             const unsigned char* data, size_t len)
{
#if defined(IP_PKTINFO)
    iovec iov{const_cast<unsigned char*>(data), len};
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr msg{};
    msg.msg_name = const_cast<sockaddr_in*>(&destination);
    msg.msg_namelen = sizeof destination;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    if (ifIndex != 0) {
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        cmsghdr* header = CMSG_FIRSTHDR(&msg);
        header->cmsg_level = IPPROTO_IP;
        header->cmsg_type = IP_PKTINFO;
        header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_ifindex = static_cast<int>(ifIndex);
        if (!source.empty())
            inet_pton(AF_INET, source.c_str(), &info.ipi_spec_dst);
        std::memcpy(CMSG_DATA(header), &info, sizeof info);
    }
    return sendmsg(sock, &msg, 0);
#else
    (void)ifIndex;
    (void)source;
    return sendto(sock, data, len, 0, reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
#endif
}

} // namespace brenmoor::net
