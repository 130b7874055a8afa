// bm-arpresponder: answers ARP requests for chosen addresses inside a lab host, late or under
// another MAC, to play the hosts the tool must tell apart from its devices: a PC or printer
// that shares a device's address and answers ARP before or after it, a router doing proxy
// ARP or a Wi-Fi extender answering with its own MAC for devices behind it. Its frame code is
// its own, written from the wire format, and shares none with the tool.
//
//   bm-arpresponder --interface IF --answer IP[,IP...] [--mac MAC] [--delay MS]
//                   [--exit-with-parent] [--ready-file FILE]
//
// --interface IF    the Ethernet interface it listens and answers on (root, or CAP_NET_RAW)
// --answer IP,...   the addresses it answers for (the option may repeat)
// --mac MAC         the MAC it answers as, also the frames' source (default: IF's own)
// --delay MS        how long after each request its reply goes out (default 0); requests
//                   that come meanwhile wait for their own time, none holds up another
// --exit-with-parent  end when the process that started it ends (tests)
// --ready-file FILE   created once the socket is open
//
// For each request (probes from 0.0.0.0 included) for one of its addresses it sends the reply
// unicast to the asker: sender MAC and address the answering ones, target the asker's. The
// host's own kernel still answers for the addresses it holds: silence it on IF with
// `sysctl net.ipv4.conf.IF.arp_ignore=8` (lab.sh arp-silence) to have only the responder
// answer. Prints "bm-arpresponder: ready" once listening, then one line per reply sent:
//   answered IP for REQUESTER_IP as MAC after MS ms
// Ends on SIGTERM or SIGINT with status 0; status 2 for a bad command line or an interface it
// cannot use.

#include "tools/arpresponder/answerer.h"
#include "tools/arpresponder/linksocket.h"
#include "tools/arpresponder/options.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int)
{
    stopRequested = 1;
}

void onStopSignals()
{
    // No SA_RESTART: the signal wakes the poll at once.
    struct sigaction action{};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// Until the next reply is due, but at most 200 ms, and never less than it takes to get
// there: a reply is never sent before its time.
int pollTimeout(const std::optional<arpresponder::Clock::time_point>& due)
{
    constexpr int kIdleMs = 200;
    if (!due)
        return kIdleMs;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - arpresponder::Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, kIdleMs));
}

void sendDue(const arpresponder::Link& link, arpresponder::Answerer& answerer)
{
    for (const arpresponder::OutgoingReply& reply : answerer.due(arpresponder::Clock::now())) {
        std::string error;
        if (arpresponder::sendFrame(link, reply.frame, error))
            std::printf("%s\n", reply.line.c_str());
        else
            std::fprintf(stderr, "bm-arpresponder: not sent (%s): %s\n", error.c_str(), reply.line.c_str());
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    std::string error;
    const auto options = arpresponder::parseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fprintf(stderr, "bm-arpresponder: %s\n%s\n", error.c_str(), arpresponder::kUsage);
        return 2;
    }
    if (options->exitWithParent)
        prctl(PR_SET_PDEATHSIG, SIGTERM);
    onStopSignals();

    const arpresponder::Link link = arpresponder::openLink(options->interfaceName);
    arpresponder::Answerer answerer(options->answers, std::chrono::milliseconds(options->delayMs),
                                    options->mac.value_or(link.mac));
    std::printf("bm-arpresponder: ready\n");
    std::fflush(stdout);
    if (!options->readyFile.empty()) {
        FILE* ready = std::fopen(options->readyFile.c_str(), "w");
        if (!ready)
            arpresponder::fail("cannot create " + options->readyFile);
        std::fclose(ready);
    }

    std::vector<uint8_t> buffer(65536);
    while (!stopRequested) {
        sendDue(link, answerer);
        pollfd fd{link.fd, POLLIN, 0};
        if (poll(&fd, 1, pollTimeout(answerer.nextDue())) <= 0)
            continue;
        // A bounded batch: under a flood the replies already due still go out on time.
        for (int i = 0; i < 256; ++i) {
            const auto frame = arpresponder::receiveFrame(link, buffer);
            if (!frame)
                break;
            if (frame->fromElsewhere)
                answerer.hear(buffer.data(), frame->length, arpresponder::Clock::now());
        }
    }
    close(link.fd);
    return 0;
}
