// The site's memory without a network: the record written and read back, every file that is no
// record refused with its reason, the comparison rules, the maker of a MAC, and the NetBox
// export.
#include "core/devicemaker.h"
#include "core/deviceformat.h"
#include "core/sitecompare.h"
#include "core/siterecord.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

ListedDevice listed(const char* mac, const char* ip, const char* name, const char* gateway = "10.0.0.1")
{
    ListedDevice device;
    device.record = {QString::fromUtf8(mac), QString::fromUtf8(ip), QStringLiteral("255.255.255.0"),
                     QString::fromUtf8(gateway), QString::fromUtf8(name), 1};
    device.kv = true;
    return device;
}

SiteRecord handedOver()
{
    return siteRecordOf({listed("02:00:5e:00:00:01", "10.0.0.5", "Gate"), listed("02:00:5e:00:00:02", "10.0.0.6", "Lobby"),
                         listed("02:00:5e:00:00:03", "10.0.0.7", "Yard"), listed("02:00:5e:00:00:04", "10.0.0.8", "Dock")},
                        "2026-06-01T08:00:00Z", "laptop");
}

std::string changes(const SiteComparison& comparison)
{
    std::string out;
    for (const ComparedDevice& device : comparison.devices)
        out += std::string(siteChangeName(device.difference.change)) + " "
            + (device.now ? device.now->record.mac : device.difference.was->mac).toStdString() + "\n";
    return out;
}

} // namespace

// A device is matched by MAC in any form; another IP, mask or gateway is moved, another name
// renamed (moved wins when both), a MAC the record lacks is new, one that did not answer is
// missing; a device answering in both protocols is one device.
TEST(SiteCompare, EachDeviceIsNewMovedRenamedUnchangedOrMissing)
{
    const SiteBaseline baseline(handedOver());
    struct Row
    {
        const char* what;
        std::vector<ListedDevice> now;
        const char* changes;
        int added, missing, changed;
    } const rows[] = {
        {"as handed over, MACs in another form",
         {listed("02-00-5E-00-00-01", "10.0.0.5", "Gate"), listed("02005e000002", "010.000.000.006", "Lobby"),
          listed("02:00:5e:00:00:03", "10.0.0.7", "Yard"), listed("02:00:5e:00:00:04", "10.0.0.8", "Dock")},
         "unchanged 02-00-5E-00-00-01\nunchanged 02005e000002\nunchanged 02:00:5e:00:00:03\nunchanged 02:00:5e:00:00:04\n", 0, 0, 0},
        {"one moved, one renamed, one new, one gone",
         {listed("02:00:5e:00:00:01", "10.0.0.15", "Gate"), listed("02:00:5e:00:00:02", "10.0.0.6", "Lobby-2"),
          listed("02:00:5e:00:00:03", "10.0.0.7", "Yard"), listed("02:00:5e:00:00:09", "10.0.0.9", "Fresh")},
         "moved 02:00:5e:00:00:01\nrenamed 02:00:5e:00:00:02\nunchanged 02:00:5e:00:00:03\nnew 02:00:5e:00:00:09\nmissing 02:00:5e:00:00:04\n",
         1, 1, 2},
        {"two devices swapped their addresses",
         {listed("02:00:5e:00:00:01", "10.0.0.6", "Gate"), listed("02:00:5e:00:00:02", "10.0.0.5", "Lobby"),
          listed("02:00:5e:00:00:03", "10.0.0.7", "Yard"), listed("02:00:5e:00:00:04", "10.0.0.8", "Dock")},
         "moved 02:00:5e:00:00:01\nmoved 02:00:5e:00:00:02\nunchanged 02:00:5e:00:00:03\nunchanged 02:00:5e:00:00:04\n", 0, 0, 2},
        {"a new gateway, and moved and renamed at once",
         {listed("02:00:5e:00:00:01", "10.0.0.5", "Gate", "10.0.0.254"), listed("02:00:5e:00:00:02", "10.0.0.16", "Hall"),
          listed("02:00:5e:00:00:03", "10.0.0.7", "Yard"), listed("02:00:5e:00:00:04", "10.0.0.8", "Dock")},
         "moved 02:00:5e:00:00:01\nmoved 02:00:5e:00:00:02\nunchanged 02:00:5e:00:00:03\nunchanged 02:00:5e:00:00:04\n", 0, 0, 2},
        {"nothing answered", {}, "missing 02:00:5e:00:00:01\nmissing 02:00:5e:00:00:02\nmissing 02:00:5e:00:00:03\nmissing 02:00:5e:00:00:04\n",
         0, 4, 0},
    };
    for (const Row& row : rows) {
        const SiteComparison comparison = compareSite(baseline, row.now);
        EXPECT_EQ(changes(comparison), row.changes) << row.what;
        EXPECT_EQ(comparison.added, row.added) << row.what;
        EXPECT_EQ(comparison.missing, row.missing) << row.what;
        EXPECT_EQ(comparison.changed, row.changed) << row.what;
        EXPECT_EQ(comparison.matches(), row.added + row.missing + row.changed == 0) << row.what;
    }
    const DeviceDifference both = baseline.compare(listed("02:00:5e:00:00:02", "10.0.0.16", "Hall").record);
    EXPECT_TRUE(both.moved && both.renamed);
    ASSERT_NE(both.was, nullptr);
    EXPECT_EQ(both.was->ip, QStringLiteral("10.0.0.6"));
}

// What discover --compare prints: the change of each device and what the record says.
TEST(SiteCompare, TheComparisonIsPrintedWithWhatTheRecordSays)
{
    const SiteBaseline baseline(handedOver());
    const SiteComparison comparison = compareSite(
        baseline, {listed("02:00:5e:00:00:01", "10.0.0.15", "Gate"), listed("02:00:5e:00:00:02", "10.0.0.6", "Lobby"),
                   listed("02:00:5e:00:00:03", "10.0.0.7", "Yard")});
    EXPECT_EQ(formatComparison(comparison, DeviceFormat::Table),
              "CHANGE     NAME   MAC                IP         SUBMASK        GATEWAY   RECORD\n"
              "moved      Gate   02:00:5e:00:00:01  10.0.0.15  255.255.255.0  10.0.0.1  10.0.0.5 255.255.255.0 10.0.0.1\n"
              "unchanged  Lobby  02:00:5e:00:00:02  10.0.0.6   255.255.255.0  10.0.0.1  -\n"
              "unchanged  Yard   02:00:5e:00:00:03  10.0.0.7   255.255.255.0  10.0.0.1  -\n"
              "missing    Dock   02:00:5e:00:00:04                                      10.0.0.8 255.255.255.0 10.0.0.1 \"Dock\"\n");
    const auto json = nlohmann::json::parse(formatComparison(comparison, DeviceFormat::Json));
    ASSERT_EQ(json.size(), 4u);
    EXPECT_EQ(json[0]["change"], "moved");
    EXPECT_EQ(json[0]["ip"], "10.0.0.15");
    EXPECT_EQ(json[0]["record"]["ip"], "10.0.0.5");
    EXPECT_EQ(json[1]["change"], "unchanged");
    EXPECT_FALSE(json[1].contains("record"));
    EXPECT_EQ(json[3]["change"], "missing");
    EXPECT_TRUE(json[3]["ip"].is_null());
    EXPECT_EQ(comparisonSummary(comparison), "0 new, 1 missing, 1 changed, 2 unchanged");
}

// A record written is read back whole; every file that is not one is refused, naming it, and
// nothing of it is taken.
TEST(SiteRecordFile, ARecordIsReadBackWholeAndEveryOtherFileIsRefusedWithItsReason)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SiteRecord record = handedOver();
    record.devices[0].name = QString::fromUtf8("Süd\tTor"); // the device's own text, control included
    const QString path = dir.filePath(QStringLiteral("site.json"));
    std::string problem;
    ASSERT_TRUE(writeSiteRecord(record, path, problem)) << problem;
    const SiteRecordRead back = readSiteRecord(path);
    ASSERT_TRUE(back.record) << back.problem;
    EXPECT_EQ(back.record->host, "laptop");
    EXPECT_EQ(back.record->saved, "2026-06-01T08:00:00Z");
    ASSERT_EQ(back.record->devices.size(), 4u);
    EXPECT_EQ(back.record->devices[0].name, QString::fromUtf8("Süd\tTor"));
    EXPECT_TRUE(back.record->devices[0].kv && !back.record->devices[0].json);

    const std::string whole = siteRecordText(handedOver());
    struct Row
    {
        const char* what;
        QByteArray bytes;
        const char* problem;
    } const rows[] = {
        {"another JSON", R"({"devices": []})", "x.json: not a site record (no \"format\": \"brenmoor-site-record\")"},
        {"a truncated record", QByteArray::fromStdString(whole.substr(0, whole.size() / 2)), "x.json: not a site record: not JSON, or cut short"},
        {"a newer version", R"({"format":"brenmoor-site-record","version":2,"devices":[]})",
         "x.json: a site record of version 2, newer than this program reads (1): update it"},
        {"text that is not UTF-8", "{\"format\":\"brenmoor-site-record\",\"version\":1,\"host\":\"\xff\xfe\",\"devices\":[]}",
         "x.json: not a site record: the text is not UTF-8"},
        {"a device without its address", R"({"format":"brenmoor-site-record","version":1,"devices":[{"mac":"02:00:5e:00:00:01"}]})",
         "x.json: device 1 of the record lacks its MAC, name, IP, mask or gateway"},
        {"a number where a text belongs",
         R"({"format":"brenmoor-site-record","version":1,"devices":[{"mac":1,"name":"","ip":"","mask":"","gateway":""}]})",
         "x.json: device 1 of the record lacks its MAC, name, IP, mask or gateway"},
        {"no list of devices", R"({"format":"brenmoor-site-record","version":1})", "x.json: not a site record: no list of devices"},
        {"an empty file", "", "x.json: not a site record: not JSON, or cut short"},
    };
    for (const Row& row : rows) {
        const SiteRecordRead read = parseSiteRecord(row.bytes, QStringLiteral("x.json"));
        EXPECT_FALSE(read.record) << row.what;
        EXPECT_EQ(read.problem, row.problem) << row.what;
    }
    // A file too large to be any site's record is refused unread.
    const QString large = dir.filePath(QStringLiteral("large.json"));
    QFile file(large);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(100 * 1024 * 1024));
    file.close();
    EXPECT_EQ(readSiteRecord(large).problem, large.toStdString() + ": not a site record: 100 MB is more than any site's record");
    EXPECT_NE(readSiteRecord(dir.filePath(QStringLiteral("none.json"))).problem.find("cannot be read"), std::string::npos);
}

// The maker from the registry's CSV: quoted names, any MAC form, a locally administered MAC,
// a prefix the registry lacks, no registry at all.
TEST(DeviceMaker, TheRegistryNamesTheMakerOfAMacsFirstThreeBytes)
{
    const MakerTable table = MakerTable::parse("Registry,Assignment,Organization Name,Organization Address\n"
                                               "MA-L,0050C2,Example Devices Ltd,1 Road Town\n"
                                               "MA-L,00A0B1,\"Example, Cameras \"\"North\"\"\",\"2 Street, City\"\r\n"
                                               "MA-M,00A0B1C,Not A Prefix Of Three Bytes,\n"
                                               "garbage line\n");
    EXPECT_EQ(table.size(), 2u);
    struct Row
    {
        const char* mac;
        const char* maker;
    } const rows[] = {
        {"00:50:c2:12:34:56", "Example Devices Ltd"},
        {"00-A0-B1-00-00-01", "Example, Cameras \"North\""},
        {"00a0b1000001", "Example, Cameras \"North\""},
        {"02:00:5e:00:00:01", kLocallyAdministered},
        {"06:11:22:33:44:55", kLocallyAdministered},
        {"00:11:22:33:44:55", ""},
        {"0x0050C2123456", ""},
        {"not a mac", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(table.makerOf(QString::fromLatin1(row.mac)), row.maker) << row.mac;
    EXPECT_EQ(MakerTable::load("/nonexistent/oui.csv").size(), 0u);
    EXPECT_EQ(MakerTable::load("/nonexistent/oui.csv").makerOf(QStringLiteral("02:00:5e:00:00:01")), kLocallyAdministered);
}

// NetBox's bulk import of IP addresses takes these columns.
TEST(DeviceOutputs, NetBoxGetsTheAddressWithItsPrefixLengthAndTheDeviceInTheDescription)
{
    ListedDevice odd = listed("02:00:5e:00:00:02", "10.0.0.6", "");
    odd.record.submask = QStringLiteral("255.0.255.0");
    EXPECT_EQ(formatDevices({listed("02:00:5e:00:00:01", "010.000.000.005", "Gate, east"), odd,
                             listed("02:00:5e:00:00:03", "no address", "Broken")},
                            DeviceFormat::NetBoxCsv),
              "address,status,dns_name,description\n"
              "10.0.0.5/24,active,,\"Gate, east 02:00:5e:00:00:01\"\n"
              "10.0.0.6/32,active,,02:00:5e:00:00:02\n");
}
