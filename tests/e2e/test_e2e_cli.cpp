// brenmoor-cli from end to end, inside the lab: the real program against simulated devices,
// from the command line to the records it prints and the bytes a device receives.
#include "tests/support/devicerecords.h"
#include "tests/support/labguard.h"
#include "tests/support/labprocess.h"

#include <QFile>
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <set>
#include <sstream>
#include <thread>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <sys/socket.h>
#include <unistd.h>

#ifndef BM_CLI_PATH
#error "BM_CLI_PATH must name brenmoor-cli"
#endif

using brenmoor::test::ManyDevices;
using brenmoor::test::recorded;
using brenmoor::test::recordedSetKinds;
using brenmoor::test::SimulatedDevices;

namespace {

struct CliRun
{
    int status = -1;
    std::string out, err;
};

CliRun cli(const QStringList& arguments, int timeoutMs = 60000)
{
    QProcess process;
    process.start(QStringLiteral(BM_CLI_PATH), arguments);
    CliRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

nlohmann::json devicesOf(const CliRun& run)
{
    return nlohmann::json::parse(run.out, nullptr, false);
}

// The JSON records reduced to what a test compares: "mac ip name protocols conflict_mac".
std::vector<std::string> summaries(const nlohmann::json& devices)
{
    std::vector<std::string> out;
    for (const auto& d : devices) {
        std::string protocols;
        for (const auto& p : d["protocols"])
            protocols += (protocols.empty() ? "" : "+") + p.get<std::string>();
        out.push_back(d["mac"].get<std::string>() + " " + d["ip"].get<std::string>() + " " + d["name"].get<std::string>()
                      + " " + protocols + " " + (d["conflict"].get<bool>() ? d["conflict_mac"].get<std::string>() : "-"));
    }
    return out;
}

QString planFile(const QTemporaryDir& dir, const std::string& text)
{
    const QString path = dir.filePath(QStringLiteral("plan.csv"));
    FILE* file = std::fopen(path.toLocal8Bit().constData(), "w");
    std::fputs(text.c_str(), file);
    std::fclose(file);
    return path;
}

// Devices i of network 1 of the many hosts: 10.60.1.(49 + i), MAC 02:00:5f:01:00:ii.
std::string manyMac(int i)
{
    char text[18];
    std::snprintf(text, sizeof text, "02:00:5f:01:%02x:%02x", i / 256, i % 256);
    return text;
}

std::string twentyDevicePlan(int badLine = 0)
{
    std::string plan = "MAC,IP,MASK,GATEWAY,NAME\n";
    for (int i = 1; i <= 20; ++i) {
        const std::string gateway = i + 1 == badLine ? "10.60.2.1" : "10.60.1.1";
        plan += manyMac(i) + ",10.60.1." + std::to_string(149 + i) + ",255.255.255.0," + gateway + ",Cam" + std::to_string(i) + "\n";
    }
    return plan;
}

} // namespace

TEST(Cli, DiscoverListsExactlyTheSimulatedDevicesAsJson)
{
    // JSON only, key-value only, both under two MAC forms, and one claiming another's MAC.
    SimulatedDevices dev1(1, {"mac=02:00:5e:50:00:21,name=CamA,proto=json,gateway=192.168.50.1"});
    SimulatedDevices dev2(2, {"mac=02-00-5E-50-00-22,name=Süd-Tor,proto=kv,gateway=192.168.50.1"});
    SimulatedDevices dev3(3, {"mac=02:00:5e:60:01:31,name=Lobby,kvmac=02-00-5E-60-01-31,proto=both,gateway=10.60.1.1"});
    SimulatedDevices dev4(4, {"mac=02:00:5e:aa:bb:cc,name=Imposter,proto=json,gateway=10.60.1.1"});
    ASSERT_TRUE(dev1.ready() && dev2.ready() && dev3.ready() && dev4.ready());

    const CliRun run = cli({"discover", "--format", "json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json devices = devicesOf(run);
    ASSERT_TRUE(devices.is_array()) << "standard output is not JSON alone:\n" << run.out;
    // In numeric IP order; the key-value record (the second MAC form) refreshes the JSON one.
    EXPECT_EQ(summaries(devices), (std::vector<std::string>{
                                      "02-00-5E-60-01-31 10.60.1.31 Lobby json+kv -",
                                      "02:00:5e:aa:bb:cc 10.60.1.32 Imposter json 02:00:5e:60:01:32",
                                      "02:00:5e:50:00:21 192.168.50.21 CamA json -",
                                      "02-00-5E-50-00-22 192.168.50.22 Süd-Tor kv -",
                                  }));
    EXPECT_EQ(devices[2]["gateway"], "192.168.50.1");
    EXPECT_EQ(devices[2]["submask"], "255.255.255.0");
    // Progress only on standard error.
    EXPECT_NE(run.err.find("Sent 23 bytes via enp1s0 (192.168.50.10)"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Ip:10.60.1.32conflict 02:00:5e:60:01:32"), std::string::npos) << run.err;

    // The same devices as CSV with a header, and only wlp2s0's through --interface.
    const CliRun csv = cli({"discover", "--format", "csv", "--no-sweep", "--interface", "wlp2s0"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    // The lab's MACs are locally administered: no maker, and the field says so.
    EXPECT_EQ(csv.out, "name,mac,ip,submask,gateway,protocols,conflict,conflict_mac,maker,status,planned_ip,planned_mask,"
                       "planned_gateway\n"
                       "Lobby,02-00-5E-60-01-31,10.60.1.31,255.255.255.0,10.60.1.1,json+kv,no,,locally administered (no maker),"
                       "answered,,,\n"
                       "Imposter,02:00:5e:aa:bb:cc,10.60.1.32,255.255.255.0,10.60.1.1,json,no,,locally administered (no maker),"
                       "answered,,,\n");
    EXPECT_EQ(csv.err.find("via enp1s0"), std::string::npos) << csv.err;
}

// A site's record from the command line: saved, compared with no change (exit 0) and with
// each kind of change (exit 3); a file that is no record is refused before anything is sent.
TEST(Cli, DiscoverSavesTheSitesRecordAndComparesTheNextSearchWithIt)
{
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("site.json"));
    const QString heard = dir.filePath(QStringLiteral("dev1.jsonl"));
    {
        SimulatedDevices dev1(1, {"mac=02:00:5e:50:00:21,name=CamA,proto=json,gateway=192.168.50.1"}, heard);
        SimulatedDevices dev2(2, {"mac=02-00-5E-50-00-22,name=Gate,proto=kv,gateway=192.168.50.1"});
        ASSERT_TRUE(dev1.ready() && dev2.ready());
        const CliRun saved = cli({"discover", "--no-sweep", "--save", record});
        ASSERT_EQ(saved.status, 0) << saved.err;
        EXPECT_NE(saved.err.find("Site record of 2 devices saved to " + record.toStdString()), std::string::npos) << saved.err;
        const CliRun again = cli({"discover", "--no-sweep", "--save", record});
        EXPECT_EQ(again.status, 2) << again.err;
        EXPECT_NE(again.err.find(record.toStdString() + ": exists; give --overwrite to replace it"), std::string::npos);
        const CliRun same = cli({"discover", "--no-sweep", "--compare", record, "--format", "json"});
        EXPECT_EQ(same.status, 0) << same.err;
        const nlohmann::json unchanged = nlohmann::json::parse(same.out);
        ASSERT_EQ(unchanged.size(), 2u) << same.out;
        EXPECT_EQ(unchanged[0]["change"], "unchanged");
        EXPECT_NE(same.err.find("0 new, 0 missing, 0 changed, 2 unchanged"), std::string::npos) << same.err;
    }
    // CamA renamed, Gate gone, a device new at .40.
    SimulatedDevices dev1(1, {"mac=02:00:5e:50:00:21,name=CamA-2,proto=json,gateway=192.168.50.1"}, heard);
    SimulatedDevices dev5(5, {"mac=02:00:5e:50:00:40,name=Encoder,proto=both,gateway=192.168.50.1"});
    ASSERT_TRUE(dev1.ready() && dev5.ready());
    const CliRun changed = cli({"discover", "--no-sweep", "--compare", record, "--format", "csv"});
    EXPECT_EQ(changed.status, 3) << changed.err;
    EXPECT_NE(changed.out.find("renamed,CamA-2,02:00:5e:50:00:21,192.168.50.21,255.255.255.0,192.168.50.1,"),
              std::string::npos)
        << changed.out;
    EXPECT_NE(changed.out.find("new,Encoder,02:00:5e:50:00:40,"), std::string::npos) << changed.out;
    EXPECT_NE(changed.out.find("missing,Gate,02-00-5E-50-00-22,,,,"), std::string::npos) << changed.out;
    EXPECT_NE(changed.err.find("1 new, 1 missing, 1 changed, 0 unchanged"), std::string::npos) << changed.err;

    // Files that are no record: refused with their reason, exit 2, nothing sent.
    const size_t before = recorded(heard, "").size();
    struct Row
    {
        const char* content;
        const char* reason;
    } const rows[] = {
        {"{\"devices\": []}", "not a site record (no \"format\""},
        {"{\"format\":\"brenmoor-site-record\",\"version\":1,\"devi", "not JSON, or cut short"},
        {"{\"format\":\"brenmoor-site-record\",\"version\":9,\"devices\":[]}", "newer than this program reads"},
        {"{\"format\":\"brenmoor-site-record\",\"version\":1,\"host\":\"\xff\",\"devices\":[]}", "the text is not UTF-8"},
    };
    for (const Row& row : rows) {
        const QString bad = dir.filePath(QStringLiteral("bad.json"));
        QFile file(bad);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(row.content);
        file.close();
        const CliRun refused = cli({"discover", "--compare", bad});
        EXPECT_EQ(refused.status, 2) << row.content;
        EXPECT_NE(refused.err.find(bad.toStdString() + ": "), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find(row.reason), std::string::npos) << refused.err;
        EXPECT_TRUE(refused.out.empty()) << refused.out;
    }
    EXPECT_EQ(recorded(heard, "").size(), before); // not even a discovery request went out
}

TEST(Cli, EscapeSequencesFromADeviceReachTheTerminalEscapedInEveryFormat)
{
    SimulatedDevices hostile(5, {"mac=02:cc:00:00:00:04\x1b[2J,name=\x1b]0;pwn\x07" "Cam\n[OK] x,proto=both"});
    ASSERT_TRUE(hostile.ready());
    for (const char* format : {"table", "json", "csv"}) {
        const CliRun run = cli({"discover", "--no-sweep", "--wait", "0.5", "--format", format});
        ASSERT_EQ(run.status, 0) << run.err;
        for (const std::string* stream : {&run.out, &run.err}) {
            EXPECT_EQ(stream->find('\x1b'), std::string::npos) << format << ": " << *stream;
            EXPECT_EQ(stream->find('\x07'), std::string::npos) << format << ": " << *stream;
            EXPECT_EQ(stream->find("\n[OK] x"), std::string::npos) << format << ": " << *stream;
        }
        // JSON writes the escape's backslash as "\\".
        const std::string slash = std::string(format) == "json" ? "\\\\" : "\\";
        EXPECT_NE(run.out.find("02:cc:00:00:00:04" + slash + "x1b[2J"), std::string::npos) << format << ": " << run.out;
        EXPECT_NE(run.out.find(slash + "x1b]0;pwn" + slash + "x07Cam" + slash + "x0a[OK] x"), std::string::npos)
            << format << ": " << run.out;
    }
}

TEST(Cli, ExitStatusSaysWhatHappened)
{
    struct Row
    {
        QStringList arguments;
        int status;
        const char* stderrHas;
    } const rows[] = {
        {{"discover", "--no-sweep", "--wait", "0.5", "--interface", "tun0"}, 1, "0 devices answered"},
        {{"discover", "--format", "xml"}, 2, "--format is table, json or csv, not 'xml'"},
        {{"discover", "--wait", "-1"}, 2, "--wait needs a number of seconds"},
        {{"discover", "--interface", "eth9"}, 2, "no interface eth9 with an IPv4 address"},
        {{"erase"}, 2, "unknown command 'erase'"},
        {{}, 2, "no command given"},
        {{"set", "02:00:5e:50:00:21", "192.168.50.31"}, 2, "set needs MAC IP MASK GATEWAY"},
        {{"apply", "/nonexistent/plan.csv"}, 2, "Cannot read the plan /nonexistent/plan.csv"},
        {{"set", "--help"}, 0, ""},
    };
    for (const Row& row : rows) {
        const CliRun run = cli(row.arguments);
        EXPECT_EQ(run.status, row.status) << row.arguments.join(' ').toStdString() << "\n" << run.err;
        EXPECT_NE(run.err.find(row.stderrHas), std::string::npos) << row.arguments.join(' ').toStdString() << "\n" << run.err;
    }
    EXPECT_NE(cli({"set", "--help"}).out.find("--verify <SECONDS>"), std::string::npos);

    // Another program on the reply port (the window, say) would take a share of the replies.
    const int holder = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(21089);
    ASSERT_EQ(bind(holder, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const CliRun shared = cli({"discover", "--no-sweep"});
    close(holder);
    EXPECT_EQ(shared.status, 1);
    EXPECT_NE(shared.err.find("UDP port 21089 is in use by another program"), std::string::npos) << shared.err;
    EXPECT_EQ(shared.err.find("Sent "), std::string::npos) << shared.err;
}

TEST(Cli, SetRefusesWhatThePanelRefusesAndSendsNothing)
{
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("dev1.jsonl"));
    SimulatedDevices dev1(1, {"mac=02:00:5e:50:00:21,name=CamA,proto=both,gateway=192.168.50.1"}, record, true);
    ASSERT_TRUE(dev1.ready());
    struct Row
    {
        const char *ip, *mask, *gateway, *reason;
    } const rows[] = {
        {"192.168.50.31", "255.255.255.255", "192.168.50.1", "Invalid subnet mask: 255.255.255.255 leaves no room"},
        {"192.168.50.31", "255.255.255.0", "192.168.50.31", "Gateway must not be the IP address itself"},
        {"192.168.50.31", "255.255.255.0", "10.60.1.1", "Gateway is not in the same subnet"},
        {"192.168.50.31", "255.0.255.0", "192.168.50.1", "Invalid subnet mask"},
        {"192.168.50.256", "255.255.255.0", "192.168.50.1", "IP address parts must be between 0 and 255"},
        {"192.168.50.31", "255.255.255.0", "", "Invalid"},
    };
    for (const Row& row : rows) {
        const CliRun run = cli({"set", "02:00:5e:50:00:21", row.ip, row.mask, row.gateway});
        EXPECT_EQ(run.status, 2) << row.ip << " " << row.mask << " " << row.gateway << "\n" << run.err;
        EXPECT_NE(run.err.find(row.reason), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    const CliRun badMac = cli({"set", "02:00:5e:50:00", "192.168.50.31", "255.255.255.0", "192.168.50.1"});
    EXPECT_EQ(badMac.status, 2);
    EXPECT_NE(badMac.err.find("Invalid MAC address: 02:00:5e:50:00"), std::string::npos) << badMac.err;
    // Not a set command, not even a discovery request reached the device.
    EXPECT_TRUE(recorded(record, "").empty());
}

TEST(Cli, SetSendsTheKeyValueCommandThenTheJsonOneAndVerifies)
{
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("dev1.jsonl"));
    SimulatedDevices dev1(1, {"mac=02:00:5e:50:00:21,name=CamA,proto=both,gateway=192.168.50.1"}, record, true);
    SimulatedDevices dev2(2, {"mac=02-00-5E-50-00-22,name=Gate,proto=kv,gateway=192.168.50.1"});
    ASSERT_TRUE(dev1.ready() && dev2.ready());

    // An address another device answers from is refused after the search, before any setting.
    const CliRun taken = cli({"set", "02:00:5e:50:00:21", "192.168.50.22", "255.255.255.0", "192.168.50.1"});
    EXPECT_EQ(taken.status, 2) << taken.err;
    EXPECT_NE(taken.err.find("IP address 192.168.50.22 is already used by device 02-00-5E-50-00-22"), std::string::npos);
    EXPECT_TRUE(recordedSetKinds(record).empty());

    // Leading zeros are decimal and go out canonical; the name is cut as the panel cuts it.
    const CliRun run = cli({"set", "02:00:5E:50:00:21", "192.168.050.031", "255.255.255.0", "192.168.50.1", "--name",
                         "Lobby-East-1", "--verify", "10"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("02:00:5e:50:00:21  192.168.50.21  192.168.50.31  verified"), std::string::npos) << run.out;
    EXPECT_EQ(recordedSetKinds(record), (std::vector<std::string>{"kv-set", "json-set"}));
    const auto kv = recorded(record, "kv-set");
    ASSERT_EQ(kv.size(), 1u);
    EXPECT_EQ(kv[0]["pairs"], nlohmann::json::parse(R"([["MAC","02:00:5e:50:00:21"],["IPADR","192.168.50.31"],)"
                                                    R"(["MASK","255.255.255.0"],["GATEWAY","192.168.50.1"],["NAME","Lobby-Ea"]])"));
    const auto json = recorded(record, "json-set");
    ASSERT_EQ(json.size(), 1u);
    EXPECT_EQ(json[0]["fields"]["ip"], "192.168.50.31");
    EXPECT_EQ(json[0]["fields"]["mac"], "02:00:5e:50:00:21");

    // A device that takes the command but stays where it is fails the verification, and one
    // that does not answer is not sent anything.
    const CliRun unmoved = cli({"set", "02:00:5e:50:00:22", "192.168.50.122", "255.255.255.0", "192.168.50.1", "--verify", "2"});
    EXPECT_EQ(unmoved.status, 1) << unmoved.err;
    EXPECT_NE(unmoved.out.find("not verified: still answers from 192.168.50.22"), std::string::npos) << unmoved.out;
    // The same device told only a new gateway: its address alone proves nothing.
    const CliRun sameIp = cli({"set", "02:00:5e:50:00:22", "192.168.50.22", "255.255.255.0", "192.168.50.254", "--verify", "2",
                               "--format", "json"});
    EXPECT_EQ(sameIp.status, 1) << sameIp.err;
    const nlohmann::json summary = nlohmann::json::parse(sameIp.out);
    ASSERT_EQ(summary.size(), 1u) << sameIp.out;
    EXPECT_EQ(summary[0]["outcome"], "unproven");
    EXPECT_EQ(summary[0]["detail"], "not verified: answers with mask 255.255.255.0 gateway 192.168.50.1");
    EXPECT_NE(sameIp.err.find("[WARNING] 02-00-5E-50-00-22 answers at 192.168.50.22 with mask 255.255.255.0 gateway "
                              "192.168.50.1 instead of mask 255.255.255.0 gateway 192.168.50.254"),
              std::string::npos)
        << sameIp.err;
    const CliRun absent = cli({"set", "02:00:5e:50:00:99", "192.168.50.99", "255.255.255.0", "192.168.50.1", "--wait", "1"});
    EXPECT_EQ(absent.status, 1) << absent.err;
    EXPECT_NE(absent.err.find("Device 02:00:5e:50:00:99 did not answer within 1 s: nothing sent"), std::string::npos)
        << absent.err;
}

TEST(Cli, ApplyMovesATwentyDevicePlanAndVerifiesIt)
{
    QTemporaryDir dir;
    ManyDevices many(20, 1, dir.path(), true);
    ASSERT_TRUE(many.ready());
    const CliRun run = cli({"apply", planFile(dir, twentyDevicePlan()), "--verify", "20"}, 90000);
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    for (int i = 1; i <= 20; ++i)
        EXPECT_NE(run.err.find("[" + std::to_string(i) + "/20] " + manyMac(i) + ": 10.60.1." + std::to_string(49 + i)
                               + " -> 10.60.1." + std::to_string(149 + i)),
                  std::string::npos)
            << run.err;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 21) << run.out;
    size_t verified = 0;
    for (size_t at = run.out.find("verified"); at != std::string::npos; at = run.out.find("verified", at + 1))
        ++verified;
    EXPECT_EQ(verified, 20u) << run.out;

    // A fresh discovery finds all twenty at their new addresses, with their new names.
    const CliRun after = cli({"discover", "--format", "json", "--no-sweep", "--interface", "wlp2s0"});
    ASSERT_EQ(after.status, 0) << after.err;
    std::vector<std::string> expected;
    for (int i = 1; i <= 20; ++i)
        expected.push_back(manyMac(i) + " 10.60.1." + std::to_string(149 + i) + " Cam" + std::to_string(i) + " json+kv -");
    EXPECT_EQ(summaries(devicesOf(after)), expected);
}

TEST(Cli, APlanWithOneBadLineChangesNothing)
{
    QTemporaryDir dir;
    ManyDevices many(20, 1, dir.path(), true);
    ASSERT_TRUE(many.ready());
    const QString record = dir.filePath(QStringLiteral("many1.jsonl"));
    // Line 8 (device 7) names a gateway outside its subnet; a --dry-run and a real run alike.
    for (const QStringList& extra : {QStringList{"--dry-run"}, QStringList{"--verify", "5"}}) {
        const CliRun run = cli(QStringList{"apply", planFile(dir, twentyDevicePlan(8))} << extra);
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_NE(run.err.find("line 8: Gateway is not in the same subnet"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("Plan refused: nothing sent"), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    // A plan that takes an address a device outside it answers from is refused after the search.
    const CliRun taken = cli({"apply", planFile(dir, manyMac(1) + ",10.60.1.51,255.255.255.0,10.60.1.1\n")});
    EXPECT_EQ(taken.status, 2) << taken.err;
    EXPECT_NE(taken.err.find("line 1: IP address 10.60.1.51 is already used by device " + manyMac(2)), std::string::npos)
        << taken.err;
    EXPECT_NE(taken.err.find("Plan refused: nothing sent"), std::string::npos)
        << taken.err;
    EXPECT_TRUE(recordedSetKinds(record).empty());

    const CliRun after = cli({"discover", "--format", "json", "--no-sweep", "--interface", "wlp2s0"});
    const nlohmann::json devices = devicesOf(after);
    ASSERT_EQ(devices.size(), 20u) << after.out;
    for (int i = 1; i <= 20; ++i)
        EXPECT_EQ(devices[i - 1]["ip"], "10.60.1." + std::to_string(49 + i));
}

namespace {

// Runs its commands (host, command) when the test ends, however it ends: the lab as the next
// test knows it.
struct LabChange
{
    // Runs `command` in `host`, and `undoCommand` there at the end when it succeeded.
    bool change(const char* host, const std::string& command, const std::string& undoCommand)
    {
        if (!brenmoor::test::runInHost(QString::fromLatin1(host), QString::fromStdString(command)))
            return false;
        undo.push_back({QString::fromLatin1(host), QString::fromStdString(undoCommand)});
        return true;
    }

    std::vector<std::pair<QString, QString>> undo;
    ~LabChange()
    {
        for (auto it = undo.rbegin(); it != undo.rend(); ++it)
            brenmoor::test::runInHost(it->first, it->second);
        brenmoor::test::runInHost(QStringLiteral("tool"), QStringLiteral("ip neigh flush all"));
    }
};

bool inHost(const char* host, const std::string& command)
{
    return brenmoor::test::runInHost(QString::fromLatin1(host), QString::fromStdString(command));
}

// The text a command prints inside a lab host.
std::string outputInHost(const char* host, const std::string& command)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("out")).toStdString();
    if (!inHost(host, command + " > " + path))
        return {};
    FILE* file = std::fopen(path.c_str(), "r");
    std::string text;
    char buffer[4096];
    for (size_t n; file && (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, n);
    if (file)
        std::fclose(file);
    return text;
}

long packetsOf(const char* host, const std::string& port)
{
    return std::atol(outputInHost(host, "cat /sys/class/net/" + port + "/statistics/rx_packets").c_str());
}

// "mac ip conflict_mac" of each device the JSON lists at `ip`.
std::vector<std::string> conflictsAt(const nlohmann::json& devices, const std::string& ip)
{
    std::vector<std::string> out;
    for (const auto& d : devices) {
        if (d["ip"] == ip)
            out.push_back(d["mac"].get<std::string>() + " " + ip + " "
                          + (d["conflict"].get<bool>() ? d["conflict_mac"].get<std::string>() : "-"));
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

// Twelve devices fresh from their boxes, all at one factory address outside the host's
// networks and answering by broadcast: every one of them is a conflict, without any sweep.
TEST(CliConflicts, DevicesAnsweringFromOneAddressAreAllConflicts)
{
    LabChange lab;
    ASSERT_TRUE(lab.change("dev6", "ip addr add 192.168.0.100/24 dev eth0",
                                   "ip addr del 192.168.0.100/24 dev eth0"));
    QStringList specs;
    for (int i = 1; i <= 12; ++i)
        specs << QStringLiteral("ip=192.168.0.100,mac=02:00:5e:00:01:%1,name=F%1,proto=json,reply=broadcast").arg(i, 2, 10, QLatin1Char('0'));
    SimulatedDevices factory(6, specs);
    ASSERT_TRUE(factory.ready());

    const CliRun run = cli({"discover", "--no-sweep", "--wait", "1", "--format", "json"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> expected;
    for (int i = 1; i <= 12; ++i) {
        char mac[18];
        std::snprintf(mac, sizeof mac, "02:00:5e:00:01:%02d", i);
        // Each names the first other MAC at the address.
        expected.push_back(std::string(mac) + " 192.168.0.100 " + (i == 1 ? "02:00:5e:00:01:02" : "02:00:5e:00:01:01"));
    }
    EXPECT_EQ(conflictsAt(devicesOf(run), "192.168.0.100"), expected) << run.err;
    EXPECT_NE(run.err.find("Ip:192.168.0.100conflict 02:00:5e:00:01:01 02005e000112"), std::string::npos) << run.err;
}

// Which addresses the sweep probes: every address of a port, the hosts on its own link only
// (a /26 with a default route sends nothing to the gateway), the listed devices of a /16
// beyond the host's /24, and each of two ports on one /24 through itself.
TEST(CliSweep, ProbesEveryAddressOfEachPortOnItsOwnLinkAndNothingOffLink)
{
    LabChange lab;
    // A second network on the wired port, with a host in it.
    ASSERT_TRUE(lab.change("tool", "ip addr add 192.168.60.10/24 dev enp1s0",
                                   "ip addr del 192.168.60.10/24 dev enp1s0"));
    ASSERT_TRUE(lab.change("dev5", "ip addr add 192.168.60.40/24 dev eth0",
                                   "ip addr del 192.168.60.40/24 dev eth0"));
    // The wired network shrinks to a /26 whose gateway .1 is dev2, which counts what reaches
    // it for any address outside the /26.
    ASSERT_TRUE(lab.change("tool", "ip addr del 192.168.50.10/24 dev enp1s0 && ip addr add 192.168.50.10/26 dev enp1s0"
                                   " && ip route replace default via 192.168.50.1 dev enp1s0",
                                   "ip addr del 192.168.50.10/26 dev enp1s0; ip addr add 192.168.50.10/24 dev enp1s0;"
                                   " ip route replace default via 192.168.50.1 dev enp1s0"));
    ASSERT_TRUE(lab.change("dev2", "ip addr add 192.168.50.1/24 dev eth0 && nft add table ip bmcount"
                                   " && nft add chain ip bmcount pre '{ type filter hook prerouting priority -300; }'"
                                   " && nft add rule ip bmcount pre ip daddr != 192.168.50.0/26 ip daddr != 255.255.255.255 counter",
                                   "nft delete table ip bmcount; ip addr del 192.168.50.1/24 dev eth0"));
    // The Wi-Fi network grows to a /16; a device inside it but outside the host's /24
    // answers by broadcast under a MAC that is not its host's.
    ASSERT_TRUE(lab.change("tool", "ip addr del 10.60.1.10/24 dev wlp2s0 && ip addr add 10.60.1.10/16 dev wlp2s0",
                                   "ip addr del 10.60.1.10/16 dev wlp2s0; ip addr add 10.60.1.10/24 dev wlp2s0"));
    ASSERT_TRUE(lab.change("dev4", "ip addr add 10.60.9.9/16 dev eth0",
                                   "ip addr del 10.60.9.9/16 dev eth0"));
    SimulatedDevices hidden(4, {"ip=10.60.9.9,mac=02:00:5e:aa:bb:99,name=Hidden,proto=json,reply=broadcast"});
    // A second port on the wired /24's bridge.
    const std::string sw = brenmoor::test::labPrefix() + "-sw";
    ASSERT_TRUE(lab.change("tool", "ip link add enp7s0 type veth peer name t7 netns " + sw
                                       + " && ip addr add 192.168.60.11/24 dev enp7s0 && ip link set enp7s0 up",
                                   "ip link del enp7s0"));
    ASSERT_TRUE(inHost("sw", "ip link set t7 master br0 && ip link set t7 up"));
    // A bridge for containers: its one port is a veth, no physical device.
    ASSERT_TRUE(lab.change("tool", "ip link add br-lab type bridge forward_delay 0 && ip link add vethc type veth peer name vethc1"
                                   " && ip link set vethc master br-lab && ip link set vethc up && ip link set vethc1 up"
                                   " && ip addr add 172.18.0.1/16 dev br-lab && ip link set br-lab up",
                                   "ip link del vethc; ip link del br-lab"));
    ASSERT_TRUE(inHost("tool", "for i in $(seq 50); do ip link show br-lab | grep -q LOWER_UP && exit 0; sleep 0.1; done; exit 1"));
    ASSERT_TRUE(hidden.ready());

    const long wiredBefore = packetsOf("sw", "t0");
    const long secondBefore = packetsOf("sw", "t7");
    const CliRun run = cli({"discover", "--format", "json"});
    ASSERT_EQ(run.status, 0) << run.err;
    // Both addresses of the wired port are swept, each with its own finds.
    EXPECT_NE(run.err.find("→ 扫描 enp1s0 (192.168.50.10)\n  找到 3 个设备\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("→ 扫描 enp1s0 (192.168.60.10)\n  找到 1 个设备\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("→ 扫描 enp7s0 (192.168.60.11)\n  找到 1 个设备\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Not swept: br-lab, a bridge with no physical port"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("→ 扫描 br-lab"), std::string::npos) << run.err;
    // The listed device of the /16 was probed and its host answered under its own MAC.
    EXPECT_EQ(conflictsAt(devicesOf(run), "10.60.9.9"),
              (std::vector<std::string>{"02:00:5e:aa:bb:99 10.60.9.9 02:00:5e:60:01:32"}))
        << run.err;
    EXPECT_NE(outputInHost("dev2", "nft list chain ip bmcount pre").find("counter packets 0 bytes 0"), std::string::npos)
        << "a probe went off-link to the gateway";
    // Each port on 192.168.60.0/24 resolved its own link: an ARP request for each host.
    EXPECT_GE(packetsOf("sw", "t7") - secondBefore, 252) << "the second port probed nothing of its own link";
    EXPECT_GE(packetsOf("sw", "t0") - wiredBefore, 252 + 60);
}

// A firewall that drops the replies on one port: the console says which port, how many hosts
// answered ARP there, and what to let in; without it, nothing is said.
TEST(CliSweep, AFirewallDroppingTheRepliesOfOnePortIsNamed)
{
    LabChange lab;
    SimulatedDevices wired(1, {"mac=02:00:5e:50:00:21,name=CamA,proto=both"});
    SimulatedDevices wireless(3, {"mac=02:00:5e:60:01:31,name=Lobby,proto=both"});
    ASSERT_TRUE(wired.ready() && wireless.ready());
    const std::string hint = "No reply came in on ";

    const CliRun open = cli({"discover", "--format", "json"});
    EXPECT_EQ(open.err.find(hint), std::string::npos) << open.err;

    ASSERT_TRUE(lab.change("tool", "nft add table inet bmfirewall"
                                   " && nft add chain inet bmfirewall in '{ type filter hook input priority 0; }'"
                                   " && nft add rule inet bmfirewall in iifname wlp2s0 udp dport '{ 21089, 52380 }' drop",
                                   "nft delete table inet bmfirewall"));
    inHost("tool", "ip neigh flush all");
    const CliRun closed = cli({"discover", "--format", "json"});
    // dev3 and dev4 answer ARP there; how many the kernel confirmed in time may vary.
    const size_t line = closed.err.find(hint + "wlp2s0, where ");
    ASSERT_NE(line, std::string::npos) << closed.err;
    EXPECT_NE(closed.err.find(" ARP: a firewall on this computer may be dropping the devices' replies. Allow incoming UDP "
                              "ports 21089 and 52380",
                              line),
              std::string::npos)
        << closed.err;
    EXPECT_EQ(closed.err.find(hint + "enp1s0"), std::string::npos) << closed.err;
    EXPECT_EQ(devicesOf(closed).size(), 1u) << closed.out;
}

// Camera A, which the tool knew at .21, moved to .65, and a camera fresh from its box took
// .21, answering by broadcast: the kernel's old entry for .21 under A's MAC is no evidence.
TEST(CliConflicts, ADeviceThatMovedLeavesNoConflictAtItsOldAddress)
{
    LabChange lab;
    ASSERT_TRUE(lab.change("dev1", "ip addr flush dev eth0 && ip addr add 192.168.50.65/24 dev eth0",
                                   "ip addr flush dev eth0; ip addr add 192.168.50.21/24 dev eth0"));
    ASSERT_TRUE(lab.change("dev2", "ip addr flush dev eth0 && ip addr add 192.168.50.21/24 dev eth0",
                                   "ip addr flush dev eth0; ip addr add 192.168.50.22/24 dev eth0"));
    // What the tool remembers of A: an entry the kernel holds as stale, older than the Search.
    ASSERT_TRUE(inHost("tool", "ip neigh replace 192.168.50.21 lladdr 02:00:5e:50:00:21 dev enp1s0 nud stale"));
    SimulatedDevices moved(1, {"mac=02:00:5e:50:00:21,name=A,proto=json"});
    SimulatedDevices fresh(2, {"mac=02:00:5e:50:00:22,name=B,proto=json,reply=broadcast"});
    ASSERT_TRUE(moved.ready() && fresh.ready());
    std::this_thread::sleep_for(std::chrono::seconds(1));

    const CliRun run = cli({"discover", "--format", "json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json devices = devicesOf(run);
    EXPECT_EQ(conflictsAt(devices, "192.168.50.21"), (std::vector<std::string>{"02:00:5e:50:00:22 192.168.50.21 -"})) << run.err;
    EXPECT_EQ(conflictsAt(devices, "192.168.50.65"), (std::vector<std::string>{"02:00:5e:50:00:21 192.168.50.65 -"})) << run.err;
}

// Twenty devices out of their boxes at one address, and one already on an address of the
// range: a range too short is refused whole; then each of the twenty gets its address, the
// used one passed over, and answers from it.
TEST(CliAssign, AFleetAtOneFactoryAddressGetsARangeAndARefusalSendsNothing)
{
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("fleet.jsonl"));
    brenmoor::test::FleetDevices fleet(20, QStringLiteral("192.168.0.100"), record);
    LabChange lab;
    ASSERT_TRUE(lab.change("dev3", "ip addr replace 10.60.1.104/24 dev eth0",
                                   "ip addr del 10.60.1.104/24 dev eth0"));
    SimulatedDevices holder(3, {"ip=10.60.1.104,mac=02:00:5e:60:01:31,name=Holder,proto=json"});
    ASSERT_TRUE(fleet.ready() && holder.ready());

    const CliRun refused = cli({"assign", "10.60.1.240", "255.255.255.0", "10.60.1.1", "--at", "192.168.0.100", "--wait", "1"});
    EXPECT_EQ(refused.status, 2) << refused.err;
    EXPECT_NE(refused.err.find("No free address left in 10.60.1.0/24 from 10.60.1.240 for "), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("Assignment refused: nothing sent"), std::string::npos) << refused.err;
    EXPECT_TRUE(recorded(record, "-set").empty());

    const CliRun run = cli({"assign", "10.60.1.100", "255.255.255.0", "10.60.1.1", "--at", "192.168.0.100", "--wait", "1"});
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    std::set<std::string> planned, verified;
    for (int host = 100; host <= 120; ++host)
        if (host != 104)
            planned.insert("10.60.1." + std::to_string(host));
    std::istringstream summary(run.out);
    std::string line;
    std::getline(summary, line); // the header
    while (std::getline(summary, line)) {
        std::istringstream fields(line);
        std::string mac, from, to, result;
        fields >> mac >> from >> to >> result;
        EXPECT_EQ(from, "192.168.0.100") << line;
        EXPECT_EQ(result, "verified") << line;
        EXPECT_NE(run.err.find("[OK] " + mac + " answers at " + to), std::string::npos) << mac;
        verified.insert(to);
    }
    EXPECT_EQ(verified, planned) << run.out;
    // Both commands to each of them (every one of the fleet's interfaces hears each broadcast).
    std::set<std::string> kvNamed, jsonNamed;
    for (const auto& set : recorded(record, "kv-set"))
        kvNamed.insert(set["pairs"][0][1].get<std::string>());
    for (const auto& set : recorded(record, "json-set"))
        jsonNamed.insert(set["fields"]["mac"].get<std::string>());
    EXPECT_EQ(kvNamed.size(), 20u);
    EXPECT_EQ(jsonNamed, kvNamed);

    const CliRun after = cli({"discover", "--format", "json", "--interface", "wlp2s0", "--wait", "1"});
    ASSERT_EQ(after.status, 0) << after.err;
    const nlohmann::json devices = devicesOf(after);
    std::set<std::string> addresses;
    for (const auto& device : devices) {
        EXPECT_EQ(device["conflict"], false) << device.dump();
        addresses.insert(device["ip"].get<std::string>());
    }
    EXPECT_EQ(addresses.size(), devices.size());
    for (const std::string& ip : planned)
        EXPECT_EQ(addresses.count(ip), 1u) << ip;
}
