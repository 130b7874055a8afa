// The ARP helper as the tool runs it, on the lab's tool host: what it refuses before it sends
// anything (exit 2, one line naming why), what it hears on a link, and how the tool reads it
// (net/arphelper: one run per interface, all at once).
#include "net/arphelper.h"
#include "net/sweepplan.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <utility>
#include <string>
#include <sys/wait.h>

#include <gtest/gtest.h>

namespace net = brenmoor::net;

namespace {

struct HelperRun
{
    int status = -1;
    std::string out; // standard output and standard error
};

HelperRun helper(const std::string& arguments)
{
    HelperRun run;
    if (FILE* pipe = popen((std::string(BM_ARP_HELPER_PATH) + " " + arguments + " 2>&1").c_str(), "r")) {
        char chunk[512];
        while (std::fgets(chunk, sizeof chunk, pipe))
            run.out += chunk;
        const int status = pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return run;
}

uint32_t ip(const char* text)
{
    uint32_t value = 0;
    net::parseIpv4(text, value);
    return value;
}

} // namespace

TEST(LabArpHelper, RefusesWhatItMustNotAskAndSaysWhy)
{
    ASSERT_EQ(std::system("ip link add bmdown type veth peer name bmdown1 && ip addr add 10.77.0.1/24 dev bmdown"), 0);
    struct Remove { ~Remove() { std::system("ip link del bmdown 2>/dev/null"); } } remove;
    struct Row { const char* what; std::string arguments; const char* says; };
    const Row rows[] = {
        {"a target outside the interface's networks", "enp1s0 500 10.60.1.31", "10.60.1.31 is outside the networks of enp1s0"},
        {"an interface that is down", "bmdown 500 10.77.0.2", "bmdown is down"},
        {"a point-to-point link", "tun0 500 10.99.0.2", "tun0 is a point-to-point link"},
        {"no such interface", "eth9 500 10.0.0.1", "eth9 does not exist"},
        {"too many targets", "enp1s0 500 10.0.0.0-10.0.16.0", "targets, at most 4096"},
        {"a wait beyond five seconds", "enp1s0 5001 192.168.50.21", "wait \"5001\""},
        {"a malformed address", "enp1s0 500 192.168.50.021", "target \"192.168.50.021\""},
        {"no target", "enp1s0 500", "usage"},
    };
    for (const Row& row : rows) {
        const HelperRun run = helper(row.arguments);
        EXPECT_EQ(run.status, 2) << row.what << ": " << run.out;
        EXPECT_NE(run.out.find(row.says), std::string::npos) << row.what << ": " << run.out;
        EXPECT_EQ(run.out.find("done"), std::string::npos) << row.what << ": nothing asked";
    }
}

TEST(LabArpHelper, HearsEveryHostOfALinkAndBothHostsAtOneAddress)
{
    // dev5 also takes dev1's address: two MACs answer for it.
    ASSERT_EQ(std::system("ip netns exec \"$BM_LAB-dev5\" ip addr add 192.168.50.21/24 dev eth0"), 0);
    struct Remove {
        ~Remove() { std::system("ip netns exec \"$BM_LAB-dev5\" ip addr del 192.168.50.21/24 dev eth0; ip neigh flush all"); }
    } remove;
    std::vector<uint32_t> targets;
    for (uint32_t host = 1; host <= 254; ++host)
        if (host != 10)
            targets.push_back(ip("192.168.50.0") + host);
    const std::vector<net::ArpJobResult> results = net::runArpHelper(
        BM_ARP_HELPER_PATH, {{"enp1s0", 0, targets}, {"wlp2s0", 0, {ip("10.60.1.31"), ip("10.60.1.32")}}},
        std::chrono::milliseconds(600), nullptr);
    ASSERT_EQ(results.size(), 2u);
    ASSERT_EQ(results[0].status, net::ArpHelperStatus::Answered) << results[0].problem;
    std::set<std::pair<std::string, std::string>> heard;
    for (const net::ArpAnswer& answer : results[0].answers)
        heard.emplace(net::ipv4Text(answer.ip), answer.mac);
    EXPECT_EQ(heard, (std::set<std::pair<std::string, std::string>>{{"192.168.50.21", "02:00:5e:50:00:21"},
                                                              {"192.168.50.21", "02:00:5e:50:00:40"},
                                                              {"192.168.50.22", "02:00:5e:50:00:22"},
                                                              {"192.168.50.40", "02:00:5e:50:00:40"}}));
    ASSERT_EQ(results[1].status, net::ArpHelperStatus::Answered) << results[1].problem;
    EXPECT_EQ(results[1].answers.size(), 2u);

    // A run the helper refuses is a failure with its reason, not an empty answer.
    const auto refused = net::runArpHelper(BM_ARP_HELPER_PATH, {{"enp1s0", 0, {ip("10.60.1.31")}}},
                                           std::chrono::milliseconds(300), nullptr);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].status, net::ArpHelperStatus::Failed);
    EXPECT_NE(refused[0].problem.find("outside the networks of enp1s0"), std::string::npos) << refused[0].problem;
}
