// The command-line tool's logic without a network: its command line, the plan and its
// checks, the merge of replies, the output formats, and the interface filter.
#include "cli/commandline.h"
#include "core/addressassignment.h"
#include "core/changeverifier.h"
#include "core/conflicts.h"
#include "core/deviceformat.h"
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

TEST(CliPlan, ATargetAddressInUseIsRefusedUnlessThePlanMovesItsDevice)
{
    DeviceList answering;
    answering.add(device("02:00:5e:00:00:01", "10.0.0.5"));
    answering.add(device("02-00-5E-00-00-02", "10.0.0.6"));
    AddressUse use;
    use.neighbours = {{"02:00:5e:00:00:07", "10.0.0.7"}, {"02:00:5e:00:00:02", "10.0.0.8"}, {"02:00:5e:00:00:01", "10.0.0.9"}};
    brenmoor::net::HostAddress own;
    own.name = "eth0";
    own.ip = "10.0.0.10";
    own.mac = brenmoor::net::MacAddress{0x02, 0x42, 0x0a, 0, 0, 0x0a};
    use.host = {own};
    const auto line = [](int number, const char* mac, const char* ip) {
        return PlanLine{number, mac, ip, "255.255.255.0", "10.0.0.1", std::nullopt};
    };
    struct Row
    {
        std::vector<PlanLine> plan;
        const char* problems;
    } const rows[] = {
        {{line(1, "02:00:5e:00:00:01", "10.0.0.5")}, ""}, // its own address
        {{line(1, "02:00:5e:00:00:03", "10.0.0.4")}, ""},
        {{line(1, "02:00:5e:00:00:01", "10.0.0.6")}, "1: IP address 10.0.0.6 is already used by device 02-00-5E-00-00-02\n"},
        {{line(1, "02:00:5e:00:00:01", "10.0.0.6"), line(2, "02:00:5e:00:00:02", "10.0.0.5")}, ""}, // a swap
        {{line(1, "02:00:5e:00:00:01", "10.0.0.6"), line(2, "02005E000002", "10.0.0.11")}, ""},
        // The neighbour table: another MAC there holds the address; the device's own entry,
        // and the old entry of a device that answers from elsewhere now, do not.
        {{line(1, "02:00:5e:00:00:01", "10.0.0.7")}, "1: IP address 10.0.0.7 is already used by device 02:00:5e:00:00:07\n"},
        {{line(1, "02:00:5e:00:00:01", "10.0.0.9")}, ""},
        {{line(1, "02:00:5e:00:00:01", "10.0.0.8")}, ""},
        {{line(1, "02:00:5e:00:00:07", "10.0.0.7")}, ""},
        // This computer's own address is never free.
        {{line(1, "02:00:5e:00:00:01", "10.0.0.10")},
         "1: IP address 10.0.0.10 is already used by this computer (02:42:0a:00:00:0a on eth0)\n"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(problemsText(addressesInUse(row.plan, answering, use)), row.problems) << row.plan.front().ip;
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
}

// A change is verified by its device answering from the new address, not from the old one,
// and fails when the time runs out, saying where the device still answers.
TEST(AssignVerify, AChangeSettlesWhenItsDeviceAnswersThereOrItsTimeRunsOut)
{
    using namespace std::chrono_literals;
    const auto start = ChangeVerifier::Clock::time_point{} + 1h;
    ChangeVerifier verifier(10s);
    verifier.expect(QStringLiteral("02:00:5E:00:00:01"), "10.0.0.20", start);
    verifier.expect(QStringLiteral("02:00:5e:00:00:02"), "10.0.0.21", start + 1s);
    verifier.expect(QStringLiteral("02:00:5e:00:00:03"), "10.0.0.22", start);
    EXPECT_FALSE(verifier.heard(device("02:00:5e:00:00:01", "192.168.0.100"))); // not moved yet
    EXPECT_FALSE(verifier.heard(device("02:00:5e:00:00:09", "10.0.0.20")));     // another device
    const auto verified = verifier.heard(device("02-00-5e-00-00-01", "10.0.0.20", 0));
    ASSERT_TRUE(verified);
    EXPECT_TRUE(verified->verified);
    EXPECT_EQ(verified->line, "[OK] 02:00:5E:00:00:01 answers at 10.0.0.20");
    EXPECT_FALSE(verifier.heard(device("02:00:5e:00:00:01", "10.0.0.20"))); // settled once
    EXPECT_FALSE(verifier.heard(device("02:00:5e:00:00:02", "192.168.0.100")));
    EXPECT_TRUE(verifier.expire(start + 9s).empty());
    const auto late = verifier.expire(start + 10s);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].line, "[WARNING] 02:00:5e:00:00:03 did not answer at 10.0.0.22 within 10 s");
    EXPECT_TRUE(late[0].heardElsewhere.empty());
    const auto still = verifier.expire(start + 11s);
    ASSERT_EQ(still.size(), 1u);
    EXPECT_EQ(still[0].heardElsewhere, (std::vector<QString>{QStringLiteral("192.168.0.100")}));
    EXPECT_FALSE(verifier.waiting());
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
              "NAME   MAC                IP            SUBMASK        GATEWAY   PROTOCOLS  CONFLICT  CONFLICT_MAC\n"
              "Nine   02:00:5e:00:00:09  10.0.0.9      255.255.255.0  10.0.0.1  kv         yes       02:00:5e:00:00:99\n"
              "Fresh  02:00:5e:00:00:64  192.168.1.64  255.255.255.0  10.0.0.1  json       no        -\n");
    const auto json = nlohmann::ordered_json::parse(formatDevices({devices[0]}, DeviceFormat::Json));
    EXPECT_EQ(json.dump(), R"([{"name":"Nine","mac":"02:00:5e:00:00:09","ip":"10.0.0.9","submask":"255.255.255.0",)"
                           R"("gateway":"10.0.0.1","protocols":["kv"],"conflict":true,"conflict_mac":"02:00:5e:00:00:99"}])");
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
