#include "tests/support/labsockets.h"

#include "tests/support/labguard.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brenmoor::test {

namespace {

[[noreturn]] void die(const std::string& what)
{
    std::perror(what.c_str());
    std::abort();
}

// Runs `make` inside namespace `ns` on this thread, then returns to the namespace we were in.
template <typename Make>
int inNamespace(const std::string& ns, Make make)
{
    const int home = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    const int target = open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
    if (home < 0 || target < 0)
        die("open namespace " + ns);
    if (setns(target, CLONE_NEWNET) != 0)
        die("setns " + ns);
    const int result = make();
    if (setns(home, CLONE_NEWNET) != 0)
        die("setns back");
    close(home);
    close(target);
    return result;
}

} // namespace

int deviceUdpSocket(int device, unsigned short port)
{
    const std::string ns = labPrefix() + "-dev" + std::to_string(device);
    return inNamespace(ns, [&] {
        const int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (sock < 0)
            die("socket");
        const int on = 1;
        setsockopt(sock, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        if (bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            die("bind on " + ns);
        return sock;
    });
}

std::optional<Datagram> receiveFrom(int sock, std::chrono::milliseconds timeout)
{
    pollfd fd{sock, POLLIN, 0};
    if (poll(&fd, 1, static_cast<int>(timeout.count())) <= 0)
        return std::nullopt;
    Datagram d;
    d.bytes.resize(65536);
    sockaddr_in sender{};
    socklen_t length = sizeof sender;
    const ssize_t n = recvfrom(sock, d.bytes.data(), d.bytes.size(), 0, reinterpret_cast<sockaddr*>(&sender), &length);
    if (n < 0)
        return std::nullopt;
    d.bytes.resize(static_cast<size_t>(n));
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &sender.sin_addr, text, sizeof text);
    d.source = text;
    d.sourcePort = ntohs(sender.sin_port);
    return d;
}

std::vector<Datagram> receiveAll(int sock, std::chrono::milliseconds window)
{
    std::vector<Datagram> all;
    const auto end = std::chrono::steady_clock::now() + window;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        if (auto d = receiveFrom(sock, left))
            all.push_back(std::move(*d));
    }
    return all;
}

bool sendTo(int sock, const std::string& ip, unsigned short port, const std::vector<unsigned char>& bytes)
{
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(port);
    inet_pton(AF_INET, ip.c_str(), &destination.sin_addr);
    return sendto(sock, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&destination), sizeof destination)
        == static_cast<ssize_t>(bytes.size());
}

} // namespace brenmoor::test
