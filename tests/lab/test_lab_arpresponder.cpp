// The lab's ARP responder as the tool host hears it: the tool host's kernel learns the MAC the
// responder answered with, the responder's lines say when, a host whose kernel is silenced
// leaves the answering to it, and one that is not answers first. dev5 (192.168.50.40,
// 02:00:5e:50:00:40) plays the host, the tool host's enp1s0 (192.168.50.10) asks.
#include "tests/support/labprocess.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <netinet/in.h>
#include <regex>
#include <sstream>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

using brenmoor::test::ArpAnswering;
using brenmoor::test::ArpResponder;
using brenmoor::test::runInHost;

namespace {

const std::string kDev5Mac = "02:00:5e:50:00:40";
const std::string kForeignMac = "02:00:5e:50:00:77";

std::string commandOutput(const std::string& command)
{
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[256];
        while (std::fgets(chunk, sizeof chunk, pipe))
            out += chunk;
        pclose(pipe);
    }
    return out;
}

// The link-layer address of the tool host's neighbour entry for `ip` on enp1s0, or "".
std::string neighbourMac(const std::string& ip)
{
    std::istringstream words(commandOutput("ip -4 neigh show " + ip + " dev enp1s0"));
    std::string word;
    while (words >> word)
        if (word == "lladdr" && words >> word)
            return word;
    return {};
}

// The MAC the tool host's kernel resolved `ip` to, waiting up to 3 s for an answer.
std::string learnedMac(const std::string& ip)
{
    std::string mac;
    for (int i = 0; i < 150 && (mac = neighbourMac(ip)).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return mac;
}

// One datagram to the discard port: the tool host's kernel asks by ARP first.
void poke(const std::string& ip)
{
    const int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(sock, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9);
    ASSERT_EQ(inet_pton(AF_INET, ip.c_str(), &to.sin_addr), 1);
    EXPECT_EQ(sendto(sock, "x", 1, 0, reinterpret_cast<sockaddr*>(&to), sizeof to), 1) << ip;
    close(sock);
}

// Further addresses on dev5's eth0 for as long as it lives.
class Dev5Addresses
{
public:
    explicit Dev5Addresses(std::vector<std::string> addresses)
        : addresses_(std::move(addresses))
    {
        for (const std::string& a : addresses_)
            EXPECT_TRUE(runInHost(QStringLiteral("dev5"), QString::fromStdString("ip addr add " + a + "/24 dev eth0")));
    }
    ~Dev5Addresses()
    {
        for (const std::string& a : addresses_)
            runInHost(QStringLiteral("dev5"), QString::fromStdString("ip addr del " + a + "/24 dev eth0"));
    }

private:
    std::vector<std::string> addresses_;
};

} // namespace

TEST(LabArpResponder, TheToolHostLearnsTheMacOfWhoeverAnsweredFirst)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> heldByDev5;
        ArpAnswering answering;
        std::vector<std::string> asked; // in this order
        std::map<std::string, std::string> learned; // what the tool host's kernel holds then
    };
    const std::vector<Case> cases{
        {"a silenced host answers late, with its own MAC",
         {"192.168.50.77"}, {{"192.168.50.77"}, 300, true, {}}, {"192.168.50.77"}, {{"192.168.50.77", kDev5Mac}}},
        {"a silenced host answers late, as another MAC",
         {"192.168.50.77"}, {{"192.168.50.77"}, 300, true, QString::fromStdString(kForeignMac)}, {"192.168.50.77"},
         {{"192.168.50.77", kForeignMac}}},
        // The kernel holds the first answer for a second (locktime): the late one changes nothing.
        {"a host that is not silenced answers first",
         {"192.168.50.77"}, {{"192.168.50.77"}, 300, false, QString::fromStdString(kForeignMac)}, {"192.168.50.77"},
         {{"192.168.50.77", kDev5Mac}}},
        // A proxy: nobody holds the addresses; it answers for its own two, not for the one
        // asked before them.
        {"a proxy answers for its addresses only",
         {}, {{"192.168.50.78", "192.168.50.79"}, 0, false, {}}, {"192.168.50.80", "192.168.50.78", "192.168.50.79"},
         {{"192.168.50.78", kDev5Mac}, {"192.168.50.79", kDev5Mac}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(runInHost(QStringLiteral("tool"), QStringLiteral("ip neigh flush all")));
        {
            const Dev5Addresses held(c.heldByDev5);
            ArpResponder responder(5, c.answering);
            ASSERT_TRUE(responder.ready());
            for (const std::string& ip : c.asked)
                poke(ip);
            for (const auto& [ip, mac] : c.learned)
                EXPECT_EQ(learnedMac(ip), mac) << ip;

            // One reply to each address it answers for, to the tool host's request, as the MAC
            // it was given, no sooner than told.
            const QStringList lines = responder.answers(static_cast<int>(c.learned.size()));
            const std::string answerMac = c.answering.mac.isEmpty() ? kDev5Mac : c.answering.mac.toStdString();
            std::map<std::string, int> answered;
            const std::regex form(R"(answered (\S+) for 192\.168\.50\.10 as (\S+) after (\d+) ms)");
            for (const QString& line : lines) {
                std::smatch m;
                const std::string text = line.toStdString();
                ASSERT_TRUE(std::regex_match(text, m, form)) << text;
                EXPECT_EQ(m[2].str(), answerMac) << text;
                EXPECT_GE(std::stoi(m[3].str()), c.answering.delayMs) << text;
                ++answered[m[1].str()];
            }
            std::map<std::string, int> expected;
            for (const auto& [ip, mac] : c.learned)
                expected[ip] = 1;
            EXPECT_EQ(answered, expected);
        }
        // Gone with the responder: the silence, and what the tool host learned of its addresses.
        EXPECT_TRUE(runInHost(QStringLiteral("dev5"), QStringLiteral("test \"$(sysctl -n net.ipv4.conf.eth0.arp_ignore)\" = 0")));
        for (const QString& ip : c.answering.addresses)
            EXPECT_EQ(neighbourMac(ip.toStdString()), "") << ip.toStdString();
    }
    runInHost(QStringLiteral("tool"), QStringLiteral("ip neigh flush all"));
}
