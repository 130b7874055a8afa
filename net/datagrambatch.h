#pragma once
// Datagrams off a blocking UDP socket, a batch at a time. On Linux one recvmmsg takes the
// first datagram and every one queued behind it, up to a batch: a burst of replies from a
// large site costs one system call per batch instead of one per reply, so the queue empties
// faster than it fills. Elsewhere one recvmsg per call.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <vector>

namespace brenmoor::net {

struct ReceivedDatagram
{
    sockaddr_in sender{};
    unsigned ifIndex = 0; // the device it came in by (packet info); 0 when not told
    // The socket's count of datagrams the kernel dropped for want of room, as it stood when
    // this one was queued. The kernel leaves it out while the count is still 0.
    std::optional<uint32_t> drops;
    const unsigned char* data = nullptr;
    size_t length = 0; // 0 for an empty datagram (and for the wake-up of a shut-down socket)
};

class DatagramBatch
{
public:
    // Each slot holds the largest datagram there is, so none is ever cut. 16 slots are 1 MiB
    // per endpoint: a batch already takes a burst in one call per 16 replies, the reply
    // handler's decoding costs far more than the call, and larger batches only hold more
    // memory for the life of the endpoint.
    static constexpr size_t kDatagrams = 16;
    static constexpr size_t kDatagramBytes = 65536;

    DatagramBatch();
    ~DatagramBatch();
    DatagramBatch(const DatagramBatch&) = delete;
    DatagramBatch& operator=(const DatagramBatch&) = delete;

    // Waits for a datagram on `sock` (up to the socket's receive time-out), then takes it and
    // those queued behind it, in the order they came. Empty on a time-out, an error or a
    // shut-down socket. Valid until the next call.
    const std::vector<ReceivedDatagram>& receive(int sock);

private:
    struct Slots; // the message records, one per datagram, as the platform's call takes them
    std::vector<unsigned char> bytes;
    std::unique_ptr<Slots> slots;
    std::vector<ReceivedDatagram> received;
};

} // namespace brenmoor::net
