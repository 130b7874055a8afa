#pragma once
// Sockets that live on the lab's device hosts, made from a test running on the tool host:
// a socket belongs to the network namespace it was created in, so the test switches this
// thread into the device host's namespace just long enough to create it.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace brenmoor::test {

// A UDP socket on lab device host `device` (1, 2, ...), bound to port `port` on all of
// that host's addresses, with SO_BROADCAST set. Aborts the test binary on failure.
int deviceUdpSocket(int device, unsigned short port);

struct Datagram
{
    std::string source;
    unsigned short sourcePort = 0;
    std::vector<unsigned char> bytes;
};

// The next datagram within `timeout`, or nothing.
std::optional<Datagram> receiveFrom(int sock, std::chrono::milliseconds timeout);
// Every datagram that arrives within `window`.
std::vector<Datagram> receiveAll(int sock, std::chrono::milliseconds window);

bool sendTo(int sock, const std::string& ip, unsigned short port, const std::vector<unsigned char>& bytes);

} // namespace brenmoor::test
