// The command-line tool's logic without a network: its command line, the plan and its
// checks, the merge of replies, the output formats, and the interface filter.
#include "cli/commandline.h"
#include "core/addressassignment.h"
#include "core/changeformat.h"
#include "core/changeorder.h"
#include "core/changeverifier.h"
#include "core/conflicts.h"
#include "core/deviceformat.h"
#include "core/macaddress.h"
#include "core/networkplan.h"
#include "net/interfacefilter.h"
#include "tests/support/fakeifaddrs.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace {

std::string problemsText(const std::vector<PlanProblem>& problems)
{
    std::string out;
    for (const PlanProblem& p : problems)
        out += std::to_string(p.line) + ": " + p.reason + "\n";
    return out;
}

DeviceRecord device(const char* mac, const char* ip, int type = 1)
{
    return {QString::fromUtf8(mac), QString::fromUtf8(ip), QStringLiteral("255.255.255.0"), QStringLiteral("10.0.0.1"),
            QStringLiteral("Cam"), type};
}

} // namespace

TEST(CliPlan, EachLineIsCheckedAndTheWholePlanAgainstItself)
{
    struct Row
    {
        const char* plan;
        const char* problems; // "line: reason" per problem
        size_t lines;
    } const rows[] = {
        {"MAC,IP,MASK,GATEWAY,NAME\n02:00:5e:00:00:01,10.0.0.5,255.255.255.0,10.0.0.1,Cam\n", "", 1},
        {"# site A\n\n  02-00-5E-00-00-01 , 10.0.0.5 ,255.255.255.0,10.0.0.1\r\n", "", 1},
        {"020005e00001,10.0.0.5,255.255.255.0,10.0.0.1,\n", "", 1},
        {"\xEF\xBB\xBFMAC,IP,MASK,GATEWAY\r\n02:00:5e:00:00:01,10.0.0.5,255.255.255.0,10.0.0.1\r\n", "", 1},
        {"", "0: the plan holds no device\n", 0},
        {"MAC,IP,MASK,GATEWAY\n", "0: the plan holds no device\n", 0},
        {"02:00:5e:00:00:01,10.0.0.5,255.255.255.0\n", "1: expected MAC,IP,MASK,GATEWAY[,NAME], found 3 fields\n", 0},
        {"02:00:5e:00:00:01,10.0.0.5,255.255.255.0,10.0.0.1,a,b\n", "1: expected MAC,IP,MASK,GATEWAY[,NAME], found 6 fields\n", 0},
        {"02:00:5e:00:00,10.0.0.5,255.255.255.0,10.0.0.1\n", "1: Invalid MAC address: 02:00:5e:00:00\n", 0},
        {"02:00:5e:00:00:0g,10.0.0.5,255.255.255.0,10.0.0.1\n", "1: Invalid MAC address: 02:00:5e:00:00:0g\n", 0},
        {"02:00-5e:00:00:01,10.0.0.5,255.255.255.0,10.0.0.1\n", "1: Invalid MAC address: 02:00-5e:00:00:01\n", 0},
        // The panel's own texts, a header only on the first line.
        {"02:00:5e:00:00:01,10.0.0.255,255.255.255.0,10.0.0.1\n", "1: IP address last parts must be between 1 and 254\n", 0},
        {"02:00:5e:00:00:01,10.0.0.5,255.255.255.0,10.0.1.1\n", "1: Gateway is not in the same subnet as the IP address\n", 0},
        {"02:00:5e:00:00:01,10.0.0.5,255.255.255.0,10.0.0.5\n", "1: Gateway must not be the IP address itself\n", 0},
        {"02:00:5e:00:00:01,10.0.0.5,255.255.255.0,10.0.0.1\nMAC,IP,MASK,GATEWAY\n",
         "2: Invalid MAC address: MAC\n", 1},
        // Duplicates, whatever the MAC's form or the address's leading zeros.
        {"02:00:5e:00:00:01,10.0.0.5,255.255.255.0,10.0.0.1\n02-00-5E-00-00-01,10.0.0.6,255.255.255.0,10.0.0.1\n",
         "2: MAC 02-00-5E-00-00-01 is already on line 1\n", 1},
        {"02:00:5e:00:00:01,10.0.0.5,255.255.255.0,10.0.0.1\n02:00:5e:00:00:02,10.0.0.005,255.255.255.0,10.0.0.1\n",
         "2: IP address 10.0.0.5 is already on line 1\n", 1},
        // Every bad line is named, not only the first.
        {"x,1,2,3\n02:00:5e:00:00:01,10.0.0.5,255.255.255.0,10.0.0.1\ny\n",
         "1: Invalid MAC address: x\n3: expected MAC,IP,MASK,GATEWAY[,NAME], found 1 field\n", 1},
    };
    for (const Row& row : rows) {
        const ParsedPlan plan = parsePlan(row.plan);
        EXPECT_EQ(problemsText(plan.problems), row.problems) << row.plan;
        EXPECT_EQ(plan.lines.size(), row.lines) << row.plan;
    }
    // What is sent is what was validated, in canonical form, with the line's number.
    const ParsedPlan plan = parsePlan("\n02:00:5e:00:00:01,010.000.000.005,255.255.255.000,10.0.0.01,Süd\n");
    ASSERT_EQ(plan.lines.size(), 1u);
    EXPECT_EQ(plan.lines[0].number, 2);
    EXPECT_EQ(plan.lines[0].ip + " " + plan.lines[0].mask + " " + plan.lines[0].gateway, "10.0.0.5 255.255.255.0 10.0.0.1");
    EXPECT_EQ(plan.lines[0].name.value_or("-"), "Süd");
}

// Who holds a planned address: this computer and listed devices always; a host that answered
// the ask just now; a MAC only the kernel remembers is a warning, never proof. A device that
// moves away first holds nothing.
TEST(AddressCheck, APlannedAddressIsHeldRememberedOrFree)
{
    DeviceList answering;
    answering.add(device("02:00:5e:00:00:01", "10.0.0.5"));
    answering.add(device("02-00-5E-00-00-02", "10.0.0.6"));
    AddressUse before;
    before.neighbours = {{"02:00:5e:00:00:07", "10.0.0.7"}, {"02:00:5e:00:00:02", "10.0.0.8"}, {"02:00:5e:00:00:01", "10.0.0.9"}};
    brenmoor::net::HostAddress own;
    own.name = "eth0";
    own.ip = "10.0.0.10";
    own.mac = brenmoor::net::MacAddress{0x02, 0x42, 0x0a, 0, 0, 0x0a};
    before.host = {own};
    AddressUse asked = before;
    asked.now = AddressAnswers{};
    asked.now->answering = {{"10.0.0.11", {"02:00:5e:00:00:11"}}, {"10.0.0.12", {"02:00:5e:00:00:01"}}};
    asked.now->remembered = {{"10.0.0.7", "02:00:5e:00:00:07"}, {"10.0.0.8", "02:00:5e:00:00:02"}};
    const std::set<QString> none;
    const std::set<QString> moving = {normalMac(QStringLiteral("02:00:5e:00:00:02"))};
    struct Row
    {
        const AddressUse& use;
        const char* mac;
        const char* ip;
        const std::set<QString>& movesAway;
        AddressHolder holder;
        const char* reason;
    } const rows[] = {
        {before, "02:00:5e:00:00:01", "10.0.0.5", none, AddressHolder::None, ""}, // its own address
        {before, "02:00:5e:00:00:03", "10.0.0.4", none, AddressHolder::None, ""},
        {before, "02:00:5e:00:00:01", "10.0.0.6", none, AddressHolder::Holds, "IP address 10.0.0.6 is already used by device 02-00-5E-00-00-02"},
        {before, "02:00:5e:00:00:01", "10.0.0.6", moving, AddressHolder::None, ""},
        {before, "02:00:5e:00:00:01", "10.0.0.10", none, AddressHolder::Holds,
         "IP address 10.0.0.10 is already used by this computer (02:42:0a:00:00:0a on eth0)"},
        // Before an ask, the kernel's entries stand in, as memory; the device's own entry, and
        // the old entry of a listed device that answers from elsewhere now, hold nothing.
        {before, "02:00:5e:00:00:01", "10.0.0.7", none, AddressHolder::Remembered,
         "IP address 10.0.0.7 was last used by 02:00:5e:00:00:07, as this computer remembers it"},
        {before, "02:00:5e:00:00:01", "10.0.0.9", none, AddressHolder::None, ""},
        {before, "02:00:5e:00:00:01", "10.0.0.8", none, AddressHolder::None, ""},
        // After the ask: an answer holds it; what only the kernel remembers is a warning.
        {asked, "02:00:5e:00:00:01", "10.0.0.11", none, AddressHolder::Holds,
         "IP address 10.0.0.11 is already used by device 02:00:5e:00:00:11, which answers there now"},
        {asked, "02:00:5e:00:00:01", "10.0.0.12", none, AddressHolder::None, ""}, // it answers there itself
        {asked, "02:00:5e:00:00:01", "10.0.0.7", none, AddressHolder::Remembered,
         "IP address 10.0.0.7 was last used by 02:00:5e:00:00:07: this computer remembers it there, but it does not answer now"},
        {asked, "02:00:5e:00:00:01", "10.0.0.8", none, AddressHolder::None, ""},
        {asked, "02:00:5e:00:00:01", "10.0.0.13", none, AddressHolder::None, ""},
        {asked, "02:00:5e:00:00:01", "10.0.0.6", none, AddressHolder::Holds, "IP address 10.0.0.6 is already used by device 02-00-5E-00-00-02"},
    };
    for (const Row& row : rows) {
        const AddressVerdict verdict = judgeAddress(row.ip, QString::fromLatin1(row.mac), answering, row.use,
                                                    [&](const QString& mac) { return row.movesAway.count(normalMac(mac)) > 0; });
        EXPECT_EQ(verdict.holder, row.holder) << row.ip;
        EXPECT_EQ(verdict.reason, row.reason) << row.ip;
    }
}

// The order of a batch: a move onto another device's present address waits for that device;
// moves that wait on each other all round are found.
TEST(ChangeOrder, AMoveWaitsForTheDeviceThatHoldsItsAddressAndARingIsFound)
{
    const auto step = [](const char* mac, const char* from, const char* to) {
        return ChangeStep{QString::fromLatin1(mac), from, to};
    };
    struct Row
    {
        std::vector<ChangeStep> steps;
        const char* waits; // per step, the steps it waits for
        const char* ring;
    } const rows[] = {
        // Five devices at .50-.54 shifted to .51-.55: each waits for its neighbour.
        {{step("a", "10.0.0.50", "10.0.0.51"), step("b", "10.0.0.51", "10.0.0.52"), step("c", "10.0.0.52", "10.0.0.53"),
          step("d", "10.0.0.53", "10.0.0.54"), step("e", "10.0.0.54", "10.0.0.55")},
         "1 2 3 4 -", ""},
        // A fleet at one factory address, the first given that address: it waits for all others.
        {{step("a", "10.0.0.90", "10.0.0.90"), step("b", "10.0.0.90", "10.0.0.91"), step("c", "10.0.0.90", "10.0.0.92")},
         "1,2 - -", ""},
        // Same address, a new gateway: nothing to wait for.
        {{step("a", "10.0.0.50", "10.0.0.50"), step("b", "10.0.0.51", "10.0.0.51")}, "- -", ""},
        {{step("a", "10.0.0.50", "10.0.0.51"), step("b", "10.0.0.51", "10.0.0.50")}, "1 0", "0 1"},
        {{step("a", "10.0.0.50", "10.0.0.51"), step("b", "10.0.0.51", "10.0.0.52"), step("c", "10.0.0.52", "10.0.0.50")},
         "1 2 0", "0 1 2"},
    };
    for (const Row& row : rows) {
        const ChangeOrder order = orderChanges(row.steps);
        std::string waits;
        for (const auto& list : order.waitsFor) {
            std::string one;
            for (const size_t i : list)
                one += (one.empty() ? "" : ",") + std::to_string(i);
            waits += (waits.empty() ? "" : " ") + (one.empty() ? "-" : one);
        }
        std::vector<size_t> ring = order.ring;
        std::sort(ring.begin(), ring.end());
        std::string ringText;
        for (const size_t i : ring)
            ringText += (ringText.empty() ? "" : " ") + std::to_string(i);
        EXPECT_EQ(waits, row.waits) << row.steps.size();
        EXPECT_EQ(ringText, row.ring) << row.steps.size();
    }
}

// The range a selection gets: what it passes over, where it ends, and what refuses it whole.
TEST(AssignPlan, TheRangePassesOverWhatIsTakenAndIsRefusedWholeWhenAnyAddressIs)
{
    DeviceList listed;
    listed.add(device("02:00:5e:00:00:01", "192.168.0.100"));
    listed.add(device("02:00:5e:00:00:02", "192.168.0.100"));
    listed.add(device("02:00:5e:00:00:03", "192.168.0.100"));
    listed.add(device("02:00:5e:00:00:09", "10.0.0.12")); // listed, not selected
    listed.add(device("02:00:5e:00:00:05", "10.0.0.13")); // selected below: its address is free for others
    AddressUse use;
    use.neighbours = {{"02:00:5e:00:00:77", "10.0.0.14"}, {"02:00:5e:00:00:01", "10.0.0.30"}};
    brenmoor::net::HostAddress own;
    own.name = "eth0";
    own.ip = "10.0.0.10";
    own.netmask = "255.255.255.0";
    use.host = {own};
    const auto selection = [](std::initializer_list<const char*> macs) {
        std::vector<AssignedDevice> devices;
        for (const char* mac : macs)
            devices.push_back({QString::fromLatin1(mac), QStringLiteral("Cam"), QStringLiteral("192.168.0.100"), {}});
        return devices;
    };
    const auto three = selection({"02:00:5e:00:00:01", "02:00:5e:00:00:02", "02:00:5e:00:00:03"});
    struct Row
    {
        std::vector<AssignedDevice> devices;
        const char *first, *mask, *gateway;
        const char* addresses; // planned, in the selection's order
        const char* problem;   // "" when it may be sent
    } const rows[] = {
        {three, "10.0.0.20", "255.255.255.0", "10.0.0.1", "10.0.0.20 10.0.0.21 10.0.0.22", ""},
        // This computer, a listed device not selected, another MAC in the neighbour table.
        {three, "10.0.0.10", "255.255.255.0", "10.0.0.1", "10.0.0.11 10.0.0.15 10.0.0.16", ""},
        // A selected device leaves its address; its own neighbour entry holds nothing for it.
        {selection({"02:00:5e:00:00:01", "02:00:5e:00:00:05"}), "10.0.0.13", "255.255.255.0", "10.0.0.1",
         "10.0.0.13 10.0.0.15", ""},
        {selection({"02:00:5e:00:00:02", "02:00:5e:00:00:01"}), "10.0.0.30", "255.255.255.0", "10.0.0.1",
         "10.0.0.30 10.0.0.31", ""},
        // The gateway, and the network address a first IP may start at.
        {three, "10.0.0.0", "255.255.255.0", "10.0.0.2", "10.0.0.1 10.0.0.3 10.0.0.4", ""},
        // Over the end of the subnet: the broadcast address is no host, and the range stops.
        {three, "10.0.0.253", "255.255.255.0", "10.0.0.1", "10.0.0.253 10.0.0.254",
         "No free address left in 10.0.0.0/24 from 10.0.0.253 for 02:00:5e:00:00:03 (Cam)"},
        {three, "10.0.0.61", "255.255.255.252", "10.0.0.62", "10.0.0.61",
         "No free address left in 10.0.0.60/30 from 10.0.0.61 for 02:00:5e:00:00:02 (Cam)"},
        // In a /16, .255 and .0 are hosts, but a device stack may take them for broadcasts.
        {three, "172.16.3.254", "255.255.0.0", "172.16.0.1", "172.16.3.254 172.16.4.1 172.16.4.2", ""},
        {three, "255.255.255.253", "255.255.255.0", "255.255.255.1", "255.255.255.253 255.255.255.254",
         "No free address left in 255.255.255.0/24 from 255.255.255.253 for 02:00:5e:00:00:03 (Cam)"},
        // Each address with the settings panel's checks, naming the device.
        {three, "8.8.8.20", "255.255.255.0", "8.8.8.1", "8.8.8.20 8.8.8.21 8.8.8.22",
         "02:00:5e:00:00:01 (Cam): Using private IP address"},
        {three, "10.0.0.20", "255.255.255.0", "10.0.1.1", "", "Gateway is not in the same subnet as the IP address"},
        {three, "10.0.0.20", "255.255.255.255", "10.0.0.1", "",
         "Invalid subnet mask: 255.255.255.255 leaves no room for the device and a gateway"},
        {three, "10.0.0", "255.255.255.0", "10.0.0.1", "", "First IP: Invalid IP address format"},
        {three, "10.0.0.20", "255.0.255.0", "10.0.0.1", "",
         "Invalid subnet mask: must have continuous 1s followed by continuous 0s"},
        {three, "10.0.0.20", "255.255.255.0", "", "", "Gateway Invalid IP address format"},
        // One device twice: two lines for one device cannot both be sent.
        {selection({"02:00:5e:00:00:01", "02-00-5E-00-00-01"}), "10.0.0.20", "255.255.255.0", "10.0.0.1",
         "10.0.0.20 10.0.0.21", "02-00-5E-00-00-01 (Cam): selected twice"},
        {{}, "10.0.0.20", "255.255.255.0", "10.0.0.1", "", "No device selected"},
    };
    for (const Row& row : rows) {
        const AssignmentPlan plan = planAssignment(row.devices, row.first, row.mask, row.gateway, listed, use);
        std::string addresses;
        for (const AssignedDevice& device : plan.devices)
            if (!device.newIp.empty())
                addresses += (addresses.empty() ? "" : " ") + device.newIp;
        EXPECT_EQ(addresses, row.addresses) << row.first << " " << row.mask;
        EXPECT_EQ(plan.problem.value_or(""), row.problem) << row.first << " " << row.mask;
    }
    // What the plan says besides: the addresses it passed over, and a range on no network of
    // this computer, whose devices answer only by broadcast and whose addresses cannot be asked.
    const AssignmentPlan onLink = planAssignment(three, "10.0.0.10", "255.255.255.0", "10.0.0.1", listed, use);
    ASSERT_EQ(onLink.passedOver.size(), 4u);
    EXPECT_EQ(onLink.passedOver[0].ip + " " + onLink.passedOver[0].reason,
              "10.0.0.10 IP address 10.0.0.10 is already used by this computer (eth0)");
    EXPECT_EQ(onLink.passedOver[3].ip, "10.0.0.14");
    EXPECT_FALSE(onLink.note);
    const AssignmentPlan offLink = planAssignment(three, "172.16.5.20", "255.255.255.0", "172.16.5.1", listed, use);
    EXPECT_EQ(offLink.note.value_or(""), "172.16.5.0/24 is on none of this computer's networks: the devices will answer "
                                         "only by broadcast there, and no address of it can be asked whether another host "
                                         "holds it");
}

// The proof: only a reply received after the send that reports the sent IP, mask and gateway.
TEST(ChangeProof, OnlyAReplyAfterTheSendWithTheSentValuesProvesAChange)
{
    using namespace std::chrono_literals;
    const auto sent = ChangeVerifier::Clock::time_point{} + 1h;
    const SentSettings change{QStringLiteral("02:00:5E:00:00:01"), "10.0.0.20", "255.255.255.0", "10.0.0.254", sent};
    const auto reply = [](const char* mac, const char* ip, const char* mask, const char* gateway, ChangeVerifier::Clock::time_point at) {
        DeviceRecord record{QString::fromLatin1(mac), QString::fromLatin1(ip), QString::fromLatin1(mask),
                            QString::fromLatin1(gateway), QStringLiteral("Cam"), 0};
        record.heardAt = at;
        return record;
    };
    struct Row
    {
        const char* what;
        std::vector<DeviceRecord> replies;
        bool provenBeforeTheLimit;
        const char* line; // the proof's line, at once or when the time runs out
    } const rows[] = {
        {"the sent values, after the send", {reply("02-00-5e-00-00-01", "10.0.0.20", "255.255.255.0", "10.0.0.254", sent + 1s)},
         true, "[OK] 02:00:5E:00:00:01 answers at 10.0.0.20"},
        {"leading zeros are the same address", {reply("02:00:5e:00:00:01", "010.0.0.020", "255.255.255.000", "10.0.0.254", sent + 1s)},
         true, "[OK] 02:00:5E:00:00:01 answers at 10.0.0.20"},
        {"the sent values, but received before the send", {reply("02:00:5e:00:00:01", "10.0.0.20", "255.255.255.0", "10.0.0.254", sent - 1ms)},
         false, "[WARNING] 02:00:5E:00:00:01 did not answer at 10.0.0.20 within 10 s"},
        {"the sent IP, the old gateway", {reply("02:00:5e:00:00:01", "10.0.0.20", "255.255.255.0", "10.0.0.1", sent + 1s)},
         false, "[WARNING] 02:00:5E:00:00:01 answers at 10.0.0.20 with mask 255.255.255.0 gateway 10.0.0.1 instead of mask 255.255.255.0 gateway 10.0.0.254"},
        {"the sent IP, another mask", {reply("02:00:5e:00:00:01", "10.0.0.20", "255.255.0.0", "10.0.0.254", sent + 1s)},
         false, "[WARNING] 02:00:5E:00:00:01 answers at 10.0.0.20 with mask 255.255.0.0 gateway 10.0.0.254 instead of mask 255.255.255.0 gateway 10.0.0.254"},
        {"another MAC at the address", {reply("02:00:5e:00:00:09", "10.0.0.20", "255.255.255.0", "10.0.0.254", sent + 1s)},
         false, "[WARNING] 02:00:5E:00:00:01 did not answer at 10.0.0.20 within 10 s"},
        {"still at its old address", {reply("02:00:5e:00:00:01", "192.168.0.100", "255.255.255.0", "10.0.0.254", sent + 1s)},
         false, "[WARNING] 02:00:5E:00:00:01 did not answer at 10.0.0.20 within 10 s"},
        {"first the old values, then the sent ones",
         {reply("02:00:5e:00:00:01", "10.0.0.20", "255.255.255.0", "10.0.0.1", sent + 1s),
          reply("02:00:5e:00:00:01", "10.0.0.20", "255.255.255.0", "10.0.0.254", sent + 2s)},
         true, "[OK] 02:00:5E:00:00:01 answers at 10.0.0.20"},
    };
    for (const Row& row : rows) {
        ChangeVerifier verifier(10s);
        verifier.expect(change);
        std::optional<ChangeVerifier::Outcome> outcome;
        for (const DeviceRecord& record : row.replies)
            if (!outcome)
                outcome = verifier.heard(record);
        EXPECT_EQ(outcome.has_value(), row.provenBeforeTheLimit) << row.what;
        if (!outcome) {
            EXPECT_TRUE(verifier.expire(sent + 9s).empty()) << row.what;
            const auto late = verifier.expire(sent + 10s);
            ASSERT_EQ(late.size(), 1u) << row.what;
            outcome = late.front();
        }
        EXPECT_EQ(outcome->proven(), row.provenBeforeTheLimit) << row.what;
        EXPECT_EQ(outcome->line, row.line) << row.what;
        EXPECT_FALSE(verifier.waiting()) << row.what;
    }
    EXPECT_EQ(ChangeVerifier::unansweredLine(QStringLiteral("m"), "ip", 2500ms), "[WARNING] m did not answer at ip within 2.5 s");
}

TEST(CliCommandLine, OptionsAndCommandsBecomeRequestsOrUsageErrors)
{
    // The help text names the program from the application's arguments.
    static int argc = 1;
    static char name[] = "brenmoor-cli";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    struct Row
    {
        QStringList arguments;
        int status;
        const char* output; // contained
    } const rows[] = {
        {{"discover"}, 0, ""},
        {{"--interface", "eth0", "discover", "--interface", "wlan0", "--wait", "0.5", "--format", "csv", "--no-sweep"}, 0, ""},
        {{"set", "02:00:5e:00:00:01", "10.0.0.5", "255.255.255.0", "10.0.0.1", "--name", "Cam", "--verify", "3"}, 0, ""},
        {{"apply", "plan.csv", "--dry-run"}, 0, ""},
        {{"--help"}, 0, "Run 'brenmoor-cli COMMAND --help'"},
        {{"apply", "--help"}, 0, "--dry-run"},
        {{"--version"}, 0, "brenmoor-cli "},
        {{}, 2, "no command given"},
        {{"discover", "extra"}, 2, "discover takes no arguments"},
        {{"apply"}, 2, "apply needs PLAN"},
        {{"discover", "--verify", "3"}, 2, "Unknown option 'verify'"},
        {{"discover", "--wait", "0"}, 2, "--wait needs a number of seconds, not '0'"},
        {{"discover", "--wait", "inf"}, 2, "--wait needs a number of seconds"},
        {{"set", "m", "i", "k", "g", "--verify", "soon"}, 2, "--verify needs a number of seconds, not 'soon'"},
        {{"--wait", "1", "discover"}, 2, "Unknown option 'wait'"},
        {{"assign", "10.0.0.20", "255.255.255.0", "10.0.0.1", "--at", "192.168.0.100"}, 0, ""},
        {{"assign", "10.0.0.20", "255.255.255.0", "10.0.0.1", "--mac", "a", "--mac", "b", "--dry-run"}, 0, ""},
        {{"assign", "10.0.0.20", "255.255.255.0", "10.0.0.1", "--all", "--verify", "3"}, 0, ""},
        {{"assign", "10.0.0.20", "255.255.255.0", "10.0.0.1"}, 2, "assign needs one of --at IP, --mac MAC or --all"},
        {{"assign", "10.0.0.20", "255.255.255.0", "10.0.0.1", "--all", "--at", "10.0.0.5"}, 2, "assign needs one of"},
        {{"assign", "10.0.0.20", "255.255.255.0", "--all"}, 2, "assign needs FIRST_IP MASK GATEWAY"},
        {{"assign", "10.0.0.20", "255.255.255.0", "10.0.0.1", "--all", "--verify", "0"}, 2, "--verify needs a number"},
        {{"set", "m", "i", "k", "g", "--no-verify", "--force", "--format", "csv"}, 0, ""},
        {{"apply", "plan.csv", "--format", "json", "--force"}, 0, ""},
        {{"assign", "10.0.0.20", "255.255.255.0", "10.0.0.1", "--all", "--format", "csv"}, 0, ""},
        {{"set", "m", "i", "k", "g", "--verify", "3", "--no-verify"}, 2, "--verify and --no-verify cannot go together"},
        {{"apply", "plan.csv", "--format", "xml"}, 2, "--format is table, json or csv, not 'xml'"},
        {{"assign", "10.0.0.20", "255.255.255.0", "10.0.0.1", "--all", "--force"}, 2, "Unknown option 'force'"},
    };
    for (const Row& row : rows) {
        const ParsedCommandLine parsed = parseCommandLine(QStringList{"brenmoor-cli"} << row.arguments);
        const std::string what = row.arguments.join(' ').toStdString();
        EXPECT_EQ(parsed.status, row.status) << what << "\n" << parsed.output;
        EXPECT_NE(parsed.output.find(row.output), std::string::npos) << what << "\n" << parsed.output;
        EXPECT_EQ(parsed.command.has_value(), row.status == 0 && parsed.output.empty()) << what;
    }
    const ParsedCommandLine discover = parseCommandLine(
        {"brenmoor-cli", "--interface", "eth0", "discover", "--interface", "wlan0", "--wait", "0.5", "--format", "json"});
    ASSERT_TRUE(discover.command);
    const auto& request = std::get<DiscoverRequest>(*discover.command);
    EXPECT_EQ(request.wait.count(), 500);
    EXPECT_EQ(request.format, DeviceFormat::Json);
    EXPECT_TRUE(request.sweep);
    EXPECT_EQ(discover.interfaces, (std::vector<std::string>{"eth0", "wlan0"}));
    const auto set = parseCommandLine({"brenmoor-cli", "set", "a", "b", "c", "d", "--verify", "2.5"});
    ASSERT_TRUE(set.command);
    EXPECT_EQ(std::get<SetRequest>(*set.command).verify->count(), 2500);
    EXPECT_FALSE(std::get<SetRequest>(*set.command).name);
    // A change is verified unless told not to, and a remembered holder is not overridden.
    const auto plain = parseCommandLine({"brenmoor-cli", "set", "a", "b", "c", "d"});
    ASSERT_TRUE(plain.command);
    EXPECT_EQ(std::get<SetRequest>(*plain.command).verify->count(), 10000);
    EXPECT_FALSE(std::get<SetRequest>(*plain.command).force);
    const auto unverified = parseCommandLine({"brenmoor-cli", "apply", "p", "--no-verify", "--format", "csv"});
    ASSERT_TRUE(unverified.command);
    EXPECT_FALSE(std::get<ApplyRequest>(*unverified.command).verify);
    EXPECT_EQ(std::get<ApplyRequest>(*unverified.command).format, DeviceFormat::Csv);
    const auto assign = parseCommandLine({"brenmoor-cli", "assign", "10.0.0.20", "255.255.255.0", "10.0.0.1", "--mac",
                                          "02:00:5e:00:00:01", "--mac", "02:00:5e:00:00:02"});
    ASSERT_TRUE(assign.command);
    const auto& assignRequest = std::get<AssignRequest>(*assign.command);
    EXPECT_EQ(assignRequest.macs, (std::vector<std::string>{"02:00:5e:00:00:01", "02:00:5e:00:00:02"}));
    EXPECT_EQ(assignRequest.verify.count(), 10000); // every change is verified, 10 s unless told
    EXPECT_FALSE(assignRequest.at || assignRequest.all || assignRequest.dryRun);
}

TEST(CliDevices, RepliesMergeByMacWithTheTableRulesAndPrintInIpOrder)
{
    DeviceList collector;
    const auto record = [](const char* mac, const char* ip, const char* name, int type) {
        return DeviceRecord{mac, ip, "255.255.255.0", "10.0.0.1", name, type};
    };
    collector.add(record("02:00:5e:00:00:0a", "10.0.0.10", "json-name", 0));
    collector.add(record("02-00-5E-00-00-0A", "10.0.0.10", "kv-name", 1));  // refreshes
    collector.add(record("02:00:5e:00:00:0a", "10.0.0.11", "json-again", 0)); // changes nothing
    collector.add(record("02:00:5e:00:00:09", "10.0.0.9", "Nine", 1));
    collector.add(record("02:00:5e:00:00:64", "192.168.1.64", "Fresh", 0));
    collector.add(record("02:00:5e:00:00:02", "10.0.0.100", "Hundred", 0));
    std::vector<ListedDevice> devices = collector.devices();
    ASSERT_EQ(devices.size(), 4u);
    EXPECT_EQ(devices[0].record.ip, "10.0.0.9");
    EXPECT_EQ(devices[1].record.name + " " + devices[1].record.mac, "kv-name 02-00-5E-00-00-0A");
    EXPECT_EQ(protocolsText(devices[1]), "json+kv");
    EXPECT_EQ(devices[2].record.ip, "10.0.0.100"); // numeric order, not text order
    EXPECT_EQ(collector.addressesOf("02:00:5E:00:00:0A"), (std::set<QString>{"10.0.0.10", "10.0.0.11"}));

    // The neighbour table shows 10.0.0.9 under another MAC: a conflict, with the MAC it shows.
    const auto conflicts = judgeConflicts({{"02:00:5e:00:00:99", "10.0.0.9"}, {"02:00:5e:00:00:0a", "10.0.0.10"}}, collector);
    ASSERT_EQ(conflicts.size(), 1u);
    collector.markConflict(conflicts[0].row, conflicts[0].neighbourMac);
    devices = collector.devices();
    EXPECT_EQ(devices[0].conflictMac, "02:00:5e:00:00:99");
    EXPECT_EQ(devices[1].conflictMac, "");

    EXPECT_EQ(formatDevices({devices[0], devices[3]}, DeviceFormat::Table),
              "NAME   MAC                IP            SUBMASK        GATEWAY   PROTOCOLS  CONFLICT  CONFLICT_MAC       MAKER\n"
              "Nine   02:00:5e:00:00:09  10.0.0.9      255.255.255.0  10.0.0.1  kv         yes       02:00:5e:00:00:99  -\n"
              "Fresh  02:00:5e:00:00:64  192.168.1.64  255.255.255.0  10.0.0.1  json       no        -                  -\n");
    const auto json = nlohmann::ordered_json::parse(formatDevices({devices[0]}, DeviceFormat::Json));
    EXPECT_EQ(json.dump(), R"([{"name":"Nine","mac":"02:00:5e:00:00:09","ip":"10.0.0.9","submask":"255.255.255.0",)"
                           R"("gateway":"10.0.0.1","protocols":["kv"],"conflict":true,"conflict_mac":"02:00:5e:00:00:99","maker":"",)"
                           R"("status":"answered","planned_ip":null,"planned_mask":null,"planned_gateway":null}])");
    EXPECT_EQ(formatDevices({}, DeviceFormat::Json), "[]\n");
    EXPECT_EQ(csvField("Lobby, east \"2\""), "\"Lobby, east \"\"2\"\"\"");
    EXPECT_EQ(csvField("Süd-Tor"), "Süd-Tor");
    // A name a spreadsheet would run as a formula stays text.
    EXPECT_EQ(csvField("=HYPERLINK(\"http://x\")"), "\"'=HYPERLINK(\"\"http://x\"\")\"");
    EXPECT_EQ(csvField("+1"), "'+1");
    EXPECT_EQ(csvField("-5dB"), "'-5dB");
    EXPECT_EQ(csvField("@SUM(A1)"), "'@SUM(A1)");
    EXPECT_EQ(csvField("a=b"), "a=b");
    EXPECT_EQ(csvField(""), "");
}

// Where a change stands, in every output: the answered values, the status, and the plan
// where a change was sent; every device text escaped, the other MAC of a conflict too.
TEST(DeviceOutputs, EachOutputWritesTheAnsweredValuesTheStatusAndThePlan)
{
    DeviceList list;
    list.add(device("02:00:5e:00:00:01", "10.0.0.5"));
    list.add(device("02:00:5e:00:00:02", "10.0.0.6"));
    list.add(device("02:00:5e:00:00:03", "10.0.0.7"));
    list.add(device("02:00:5e:00:00:04", "10.0.0.8"));
    list.setChange(QStringLiteral("02:00:5e:00:00:02"), {ChangeStatus::Pending, "10.0.0.20", "255.255.255.0", "10.0.0.254", {}});
    list.setChange(QStringLiteral("02:00:5e:00:00:03"), {ChangeStatus::Unproven, "10.0.0.7", "255.255.0.0", "10.0.0.254", {}});
    list.takeProven(QStringLiteral("02:00:5e:00:00:04"), device("02:00:5e:00:00:04", "10.0.0.30"),
                    {ChangeStatus::Proven, "10.0.0.30", "255.255.255.0", "10.0.0.1", {}});
    list.markConflict(0, "02:00:5e\x1b[31m");
    list.markConflict(0, std::string("\x1b[2J"));
    EXPECT_EQ(formatDevices(list.inIpOrder(), DeviceFormat::Csv),
              "name,mac,ip,submask,gateway,protocols,conflict,conflict_mac,maker,status,planned_ip,planned_mask,planned_gateway\n"
              "Cam,02:00:5e:00:00:01,10.0.0.5,255.255.255.0,10.0.0.1,kv,yes,\\x1b[2J,,answered,,,\n"
              "Cam,02:00:5e:00:00:02,10.0.0.6,255.255.255.0,10.0.0.1,kv,no,,,pending,10.0.0.20,255.255.255.0,10.0.0.254\n"
              "Cam,02:00:5e:00:00:03,10.0.0.7,255.255.255.0,10.0.0.1,kv,no,,,unproven,10.0.0.7,255.255.0.0,10.0.0.254\n"
              "Cam,02:00:5e:00:00:04,10.0.0.30,255.255.255.0,10.0.0.1,kv,no,,,proven,10.0.0.30,255.255.255.0,10.0.0.1\n");
    const auto json = nlohmann::json::parse(formatDevices(list.inIpOrder(), DeviceFormat::Json));
    EXPECT_EQ(json[0]["conflict_mac"], "\\x1b[2J");
    EXPECT_EQ(json[2]["status"], "unproven");
    EXPECT_EQ(json[2]["ip"], "10.0.0.7");
    EXPECT_EQ(json[2]["planned_mask"], "255.255.0.0");
    EXPECT_TRUE(json[0]["planned_ip"].is_null());
    EXPECT_EQ(formatDevices(list.inIpOrder(), DeviceFormat::Table).find("\x1b"), std::string::npos);

    // The summary of set, apply and assign: one record per device with its outcome.
    PlannedChange change{device("02:00:5e:00:00:09", "10.0.0.9"), "10.0.0.40", "255.255.255.0", "10.0.0.1", "Cam", 0};
    ChangeVerifier::Outcome different;
    different.proof = ChangeVerifier::Proof::Different;
    different.answered = device("02:00:5e:00:00:09", "10.0.0.40");
    different.answered->gateway = QStringLiteral("10.0.0.254");
    ChangeVerifier::Outcome elsewhere;
    elsewhere.heardElsewhere = {QStringLiteral("10.0.0.9")};
    const std::vector<ChangeOutcome> outcomes = {
        {change, ChangeOutcome::Result::Proven, std::nullopt, {}},
        {change, ChangeOutcome::Result::Unproven, different, {}},
        {change, ChangeOutcome::Result::Unproven, elsewhere, {}},
        {change, ChangeOutcome::Result::NotSent, std::nullopt, "not sent: 02:00:5e:00:00:01 still holds 10.0.0.40"},
    };
    using namespace std::chrono_literals;
    EXPECT_EQ(formatOutcomes(outcomes, DeviceFormat::Table, 10s),
              "DEVICE             OLD IP    NEW IP     RESULT\n"
              "02:00:5e:00:00:09  10.0.0.9  10.0.0.40  verified\n"
              "02:00:5e:00:00:09  10.0.0.9  10.0.0.40  not verified: answers with mask 255.255.255.0 gateway 10.0.0.254\n"
              "02:00:5e:00:00:09  10.0.0.9  10.0.0.40  not verified: still answers from 10.0.0.9\n"
              "02:00:5e:00:00:09  10.0.0.9  10.0.0.40  not sent: 02:00:5e:00:00:01 still holds 10.0.0.40\n");
    const auto summary = nlohmann::json::parse(formatOutcomes(outcomes, DeviceFormat::Json, 10s));
    EXPECT_EQ(summary[0]["outcome"], "proven");
    EXPECT_EQ(summary[1]["outcome"], "unproven");
    EXPECT_EQ(summary[3]["outcome"], "not-sent");
    EXPECT_EQ(summary[3]["old_ip"], "10.0.0.9");
    EXPECT_EQ(formatOutcomes({outcomes[0]}, DeviceFormat::Csv, 10s),
              "mac,name,old_ip,new_ip,mask,gateway,outcome,detail\n"
              "02:00:5e:00:00:09,Cam,10.0.0.9,10.0.0.40,255.255.255.0,10.0.0.1,proven,verified\n");
}

TEST(CliInterfaces, OnlyTheNamedInterfacesAreSeenAndEveryListGoesBack)
{
    brenmoor::test::FakeInterfaces fake;
    fake.ipv4("enp1s0", "192.168.50.10", "255.255.255.0").ipv6("enp1s0").ipv4("wlp2s0", "10.60.1.10", "255.255.255.0")
        .ipv4("docker0", "172.17.0.1", "255.255.0.0");
    int released = 0;
    const brenmoor::net::IfaddrsSource base{fake.source().acquire, [&](ifaddrs*) { ++released; }};
    const struct Row
    {
        std::vector<std::string> names;
        const char* seen;
    } rows[] = {{{"enp1s0"}, "enp1s0 enp1s0 "}, {{"docker0", "wlp2s0"}, "wlp2s0 docker0 "}, {{"tun0"}, ""}};
    for (const Row& row : rows) {
        const brenmoor::net::IfaddrsSource only = brenmoor::net::onlyNamedInterfaces(base, row.names);
        std::string seen;
        {
            brenmoor::net::IfaddrsList list(only);
            ASSERT_TRUE(list.ok());
            for (const ifaddrs* it = list.head(); it; it = it->ifa_next)
                seen += std::string(it->ifa_name) + " ";
        }
        EXPECT_EQ(seen, row.seen);
    }
    EXPECT_EQ(released, 3);
    EXPECT_EQ(brenmoor::net::namesWithoutIpv4(base, {"wlp2s0", "tun0", "enp1s0", "eth9"}),
              (std::vector<std::string>{"tun0", "eth9"}));
}
