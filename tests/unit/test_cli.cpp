// The command-line tool's logic without a network: its command line, the plan and its
// checks, the merge of replies, the output formats, and the interface filter.
#include "cli/commandline.h"
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
