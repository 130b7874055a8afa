#include "net/datagrambatch.h"

#include <array>
#include <cstring>
#include <sys/socket.h>

namespace brenmoor::net {

namespace {

// Room for the interface's packet info and the drop count; a control message that does not
// fit would be cut and its datagram counted on no interface.
constexpr size_t kControlBytes = CMSG_SPACE(sizeof(in_pktinfo)) + CMSG_SPACE(sizeof(uint32_t));

void readControl(msghdr& msg, ReceivedDatagram& datagram)
{
    for (cmsghdr* header = CMSG_FIRSTHDR(&msg); header; header = CMSG_NXTHDR(&msg, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(header), sizeof info);
            datagram.ifIndex = static_cast<unsigned>(info.ipi_ifindex);
        }
#if defined(SO_RXQ_OVFL)
        if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SO_RXQ_OVFL) {
            uint32_t drops = 0;
            std::memcpy(&drops, CMSG_DATA(header), sizeof drops);
            datagram.drops = drops;
        }
#endif
    }
}

struct Control
{
    alignas(cmsghdr) unsigned char bytes[kControlBytes];
};

} // namespace

struct DatagramBatch::Slots
{
    std::array<sockaddr_in, kDatagrams> senders{};
    std::array<iovec, kDatagrams> iovs{};
    std::array<Control, kDatagrams> controls{};
#if defined(__linux__)
    std::array<mmsghdr, kDatagrams> headers{};
#else
    std::array<msghdr, kDatagrams> headers{};
#endif

    msghdr& message(size_t i)
    {
#if defined(__linux__)
        return headers[i].msg_hdr;
#else
        return headers[i];
#endif
    }

    // The kernel writes the lengths back: each call starts from the full sizes again.
    void prepare(size_t i, unsigned char* buffer)
    {
        iovs[i] = {buffer, kDatagramBytes};
        msghdr& msg = message(i);
        msg = {};
        msg.msg_name = &senders[i];
        msg.msg_namelen = sizeof senders[i];
        msg.msg_iov = &iovs[i];
        msg.msg_iovlen = 1;
        msg.msg_control = controls[i].bytes;
        msg.msg_controllen = sizeof controls[i].bytes;
    }
};

DatagramBatch::DatagramBatch()
    : bytes(kDatagrams * kDatagramBytes)
    , slots(std::make_unique<Slots>())
{
    received.reserve(kDatagrams);
}

DatagramBatch::~DatagramBatch() = default;

const std::vector<ReceivedDatagram>& DatagramBatch::receive(int sock)
{
    received.clear();
#if defined(__linux__)
    for (size_t i = 0; i < kDatagrams; ++i)
        slots->prepare(i, bytes.data() + i * kDatagramBytes);
    // The first datagram is waited for (the socket's time-out applies); the rest are only
    // those already queued.
    const int count = recvmmsg(sock, slots->headers.data(), static_cast<unsigned>(kDatagrams), MSG_WAITFORONE, nullptr);
    const size_t taken = count > 0 ? static_cast<size_t>(count) : 0;
#else
    slots->prepare(0, bytes.data());
    const ssize_t length = recvmsg(sock, &slots->message(0), 0);
    const size_t taken = length >= 0 ? 1 : 0;
#endif
    for (size_t i = 0; i < taken; ++i) {
        ReceivedDatagram datagram;
        datagram.sender = slots->senders[i];
        readControl(slots->message(i), datagram);
        datagram.data = bytes.data() + i * kDatagramBytes;
#if defined(__linux__)
        datagram.length = slots->headers[i].msg_len;
#else
        datagram.length = static_cast<size_t>(length);
#endif
        received.push_back(datagram);
    }
    return received;
}

} // namespace brenmoor::net
