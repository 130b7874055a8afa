// brenmoor-arp INTERFACE WAIT_MS TARGET...: asks each target by ARP and prints every reply it
// hears, so two hosts answering for one address show as two lines. Installed with
// cap_net_raw=ep and nothing else; it gives the capability up as soon as its socket is open.
//
// Exit status: 0 done (the last line is "done REQUESTS DROPPED"), 2 a refused argument, 3 no
// permission for the raw socket, 1 anything else.
#include "arphelper/arguments.h"
#include "arphelper/arpframe.h"
#include "arphelper/interfacecheck.h"
#include "arphelper/linkfacts.h"
#include "arphelper/privileges.h"
#include "arphelper/replylog.h"
#include "arphelper/requestplan.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace brenmoor::arphelper;

namespace {

constexpr int kRefused = 2;
constexpr int kNotPermitted = 3;
constexpr int kFailed = 1;
// Frames read in one go before the next request is due again: a flood of replies must not
// stall the requests, nor the requests leave replies waiting.
constexpr int kFramesPerWake = 64;

int complain(const std::string& reason, int status)
{
    std::fprintf(stderr, "brenmoor-arp: %s\n", reason.c_str());
    return status;
}

int64_t nowUs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1'000'000 + now.tv_nsec / 1000;
}

bool printLine(const std::string& line)
{
    return std::fputs(line.c_str(), stdout) >= 0 && std::fputc('\n', stdout) != EOF && std::fflush(stdout) == 0;
}

class Sweep
{
public:
    Sweep(int fd, const InterfaceFacts& facts, unsigned waitMs, const Requests& requests)
        : m_fd(fd)
        , m_facts(facts)
        , m_targets(requests.targets)
        , m_senders(requests.senders)
        , m_waitUs(int64_t{waitMs} * 1000)
        , m_plan(m_targets.size(), m_waitUs)
        , m_answered(m_targets.size(), false)
    { }

    int run()
    {
        m_start = nowUs();
        for (;;) {
            const int64_t elapsed = nowUs() - m_start;
            if (elapsed >= m_waitUs)
                break;
            const auto due = m_plan.next(m_answered);
            if (due && due->at <= elapsed) {
                if (!send(due->target))
                    return kFailed;
                m_plan.sent(elapsed);
                continue;
            }
            const int64_t until = due ? std::min(due->at, m_waitUs) : m_waitUs;
            if (!listen(until - elapsed))
                return kFailed;
        }
        if (!printLine(doneLine(m_requests, m_log.dropped())))
            return kFailed;
        return 0;
    }

private:
    bool send(size_t target)
    {
        const ArpRequest frame = arpRequest(m_facts.mac, m_senders[target], m_targets[target]);
        sockaddr_ll to{};
        to.sll_family = AF_PACKET;
        to.sll_protocol = htons(ETH_P_ARP);
        to.sll_ifindex = static_cast<int>(m_facts.index);
        to.sll_halen = ETH_ALEN;
        std::memset(to.sll_addr, 0xff, ETH_ALEN);
        ssize_t sent;
        do {
            sent = sendto(m_fd, frame.data(), frame.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        } while (sent < 0 && errno == EINTR);
        if (sent != static_cast<ssize_t>(frame.size())) {
            complain(std::string("cannot send a request: ") + (sent < 0 ? std::strerror(errno) : "short write"),
                     kFailed);
            return false;
        }
        ++m_requests;
        return true;
    }

    // Waits up to `us` for frames and reads those that came.
    bool listen(int64_t us)
    {
        pollfd socket{m_fd, POLLIN, 0};
        const timespec timeout{static_cast<time_t>(us / 1'000'000), static_cast<long>(us % 1'000'000 * 1000)};
        const int ready = ppoll(&socket, 1, &timeout, nullptr);
        if (ready < 0 && errno != EINTR) {
            complain(std::string("cannot wait for replies: ") + std::strerror(errno), kFailed);
            return false;
        }
        return ready <= 0 || read();
    }

    bool read()
    {
        uint8_t buffer[2048];
        for (int i = 0; i < kFramesPerWake; ++i) {
            sockaddr_ll from{};
            socklen_t length = sizeof from;
            const ssize_t size
                = recvfrom(m_fd, buffer, sizeof buffer, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &length);
            if (size < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                    return true;
                complain(std::string("cannot read replies: ") + std::strerror(errno), kFailed);
                return false;
            }
            if (static_cast<unsigned>(from.sll_ifindex) != m_facts.index)
                continue;
            const auto reply = acceptReply(from.sll_pkttype, buffer, static_cast<size_t>(size), m_targets);
            if (reply && !heard(*reply))
                return false;
        }
        return true;
    }

    bool heard(const ArpReply& reply)
    {
        const auto target = std::lower_bound(m_targets.begin(), m_targets.end(), reply.sender);
        m_answered[static_cast<size_t>(target - m_targets.begin())] = true;
        if (m_log.add(reply) != ReplyLog::Verdict::Print)
            return true;
        if (printLine(replyLine(reply, (nowUs() - m_start) / 1000)))
            return true;
        complain("cannot write to standard output", kFailed);
        return false;
    }

    int m_fd;
    const InterfaceFacts& m_facts;
    const std::vector<Ipv4>& m_targets;
    const std::vector<Ipv4>& m_senders;
    int64_t m_waitUs;
    RequestPlan m_plan;
    std::vector<bool> m_answered;
    ReplyLog m_log;
    uint64_t m_requests = 0;
    int64_t m_start = 0;
};

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
    Arguments arguments;
    std::string error;
    if (!parseArguments(args, arguments, error))
        return complain(error, kRefused);
    InterfaceFacts facts;
    if (!readInterfaceFacts(arguments.interface, facts, error))
        return complain(error, kFailed);
    if (const auto refusal = interfaceRefusal(facts))
        return complain(*refusal, kRefused);
    Requests requests;
    if (!planRequests(arguments.targets, arguments.named, facts, requests, error))
        return complain(error, kRefused);

    int fd = -1;
    switch (openArpSocket(facts.index, fd, error)) {
    case OpenStatus::Opened:
        break;
    case OpenStatus::NotPermitted:
        return complain(error, kNotPermitted);
    case OpenStatus::Failed:
        return complain(error, kFailed);
    }
    if (!dropAllCapabilities(error))
        return complain(error, kFailed);
    const int status = Sweep(fd, facts, arguments.waitMs, requests).run();
    close(fd);
    return status;
}
