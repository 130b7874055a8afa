// Both reply handlers' drop and accept rules over raw datagrams.
#include "base/consoleline.h"
#include "core/conflicts.h"
#include "core/devicelist.h"
#include "core/devicerecord.h"
#include "core/macaddress.h"
#include "protocol/jsonreply.h"
#include "protocol/kvreply.h"

#include <gtest/gtest.h>
#include <random>

namespace {

// Built here by hand rather than with the tool's encoder, so an encoder fault cannot hide.
std::string jsonDatagram(const std::string& payload, uint32_t command = 1, int lengthDelta = 0,
                         const std::string& magic = "kvo", const std::string& trailer = "")
{
    const auto length = static_cast<uint16_t>(static_cast<int>(payload.size()) + lengthDelta);
    std::string d = magic;
    d += std::string{char(command), char(command >> 8), char(command >> 16), char(command >> 24)};
    d += std::string{char(length & 0xFF), char(length >> 8)};
    d += std::string{'\x12', '\x34'};       // checksum: never checked
    d += std::string(4, '\0');              // reserved, sequence
    d += std::string{'\x01', 0, 0, 0};      // source id
    d += std::string(4, '\xff');            // target id
    return d + payload + trailer;
}

JsonReplyResult decode(const std::string& d)
{
    return decodeJsonReply(reinterpret_cast<const unsigned char*>(d.data()), static_cast<int>(d.size()));
}

const std::string kReply = R"({"sn":"A1","mac":"00:11:22:33:44:55","version":"1.0","typeID":"IPC","submask":"255.255.255.0","gateway":"192.168.1.1"})";

} // namespace

TEST(JsonReply, AcceptsTheSixStringKeysWhateverMagicChecksumOrTrailingBytes)
{
    const std::string withIp = R"({"ip":"10.9.9.9","sn":"A1","mac":"00:11:22:33:44:55","version":"1.0","typeID":"IPC","submask":"255.255.255.0","gateway":"192.168.1.1"})";
    const std::pair<std::string, std::string> cases[] = {
        {jsonDatagram(kReply), kReply},
        {jsonDatagram(kReply, 1, 0, "xyz"), kReply},
        {jsonDatagram(kReply, 1, 0, "kvo", "garbage after the object"), kReply},
        {jsonDatagram(withIp), withIp},
    };
    for (const auto& [d, payload] : cases) {
        const JsonReplyResult r = decode(d);
        ASSERT_EQ(r.kind, JsonReplyResult::Device) << d;
        EXPECT_EQ(r.reply.sn, "A1");
        EXPECT_EQ(r.reply.mac, "00:11:22:33:44:55");
        EXPECT_EQ(r.reply.version, "1.0");
        EXPECT_EQ(r.reply.typeID, "IPC");
        EXPECT_EQ(r.reply.submask, "255.255.255.0");
        EXPECT_EQ(r.reply.gateway, "192.168.1.1");
        EXPECT_EQ(r.payload, payload);
    }
}

TEST(JsonReply, DropsOrReportsEveryOtherDatagram)
{
    struct Case { const char* what; std::string datagram; JsonReplyResult::Kind kind; const char* messageHas; };
    const std::string replyWithNumber = R"({"sn":"A1","mac":"m","version":"1","typeID":3,"submask":"s","gateway":"g"})";
    const std::string replyWithoutGateway = R"({"sn":"A1","mac":"m","version":"1","typeID":"t","submask":"s"})";
    const Case cases[] = {
        {"22 bytes", std::string(22, 'k'), JsonReplyResult::Dropped, ""},
        {"empty", "", JsonReplyResult::Dropped, ""},
        {"length longer than the datagram", jsonDatagram("1234567", 1, 3), JsonReplyResult::Dropped, ""},
        {"command 2", jsonDatagram(kReply, 2), JsonReplyResult::Dropped, ""},
        {"command 0x0101", jsonDatagram(kReply, 0x101), JsonReplyResult::Dropped, ""},
        {"no payload", jsonDatagram(""), JsonReplyResult::Dropped, ""},
        {"invalid JSON", jsonDatagram("{\"sn\":"), JsonReplyResult::ParseError, "parse error"},
        {"JSON with trailing text inside length", jsonDatagram(kReply + " x"), JsonReplyResult::ParseError, "parse error"},
        // The JSON reader ends the text at a NUL: a C device that counts its terminator is fine.
        {"a terminating NUL counted in the length", jsonDatagram(kReply + std::string(1, '\0')), JsonReplyResult::Device, ""},
        {"not an object", jsonDatagram("[1,2,3]"), JsonReplyResult::TypeError, "array"},
        {"a string", jsonDatagram("\"sn\""), JsonReplyResult::TypeError, "string"},
        {"a number where a string belongs", jsonDatagram(replyWithNumber), JsonReplyResult::TypeError, "number"},
        {"a missing key", jsonDatagram(replyWithoutGateway), JsonReplyResult::OtherError, "gateway"},
        {"invalid UTF-8 in a value", jsonDatagram("{\"sn\":\"\xff\"}"), JsonReplyResult::ParseError, "parse error"},
    };
    for (const Case& c : cases) {
        const JsonReplyResult r = decode(c.datagram);
        EXPECT_EQ(r.kind, c.kind) << c.what;
        EXPECT_NE(r.message.find(c.messageHas), std::string::npos) << c.what << ": " << r.message;
    }
    EXPECT_EQ(decodeJsonReply(nullptr, 100).kind, JsonReplyResult::Dropped);
    EXPECT_EQ(decode(jsonDatagram(replyWithNumber)).payload, replyWithNumber) << "the payload is reported with the error";
}

TEST(KvReply, FiltersInOrderAndDecodesTheFourKeys)
{
    struct Case { const char* what; std::string datagram; bool accepted; KvDeviceRecord record; };
    const std::string six = "\x02MAC:00-11-22-AA-BB-CC\xffIPADR:10.9.9.9\xffMASK:255.255.255.0\xffGATEWAY:10.0.0.1\xffNAME:cam\xffSN:7\xff\x03";
    const std::string five = "\x02MAC:00-11-22-AA-BB-CC\xffIPADR:10.9.9.9\xffMASK:255.255.255.0\xffGATEWAY:10.0.0.1\xffNAME:cam\xff\x03";
    const Case cases[] = {
        {"six pairs", six, true, {"00-11-22-AA-BB-CC", "255.255.255.0", "10.0.0.1", "cam"}},
        {"five pairs: a set-network command", five, false, {}},
        {"discovery request", std::string("\x02""ENQ:network\xff\x03"), false, {}},
        {"ACK", "\x02MAC:1\xffRESULT:ACK\xff\x03", false, {}},
        {"ack inside a name", "\x02MAC:1\xffNAME:backyard\xff\x03", false, {}},
        {"no known key: describes no device", "\x02X:1\xffY:2\xff\x03", false, {}},
        {"no pairs at all", "hello", false, {}},
        {"one known key is enough", "\x02NAME:cam\xff\x03", true, {"", "", "", "cam"}},
        {"NUL ends the text", std::string("\x02MAC:1\xffNAME:a\0ENQ\xff\xff\xff\xff", 18), true, {"1", "", "", "a"}},
        {"0xFF after a NUL still counts", std::string("\x02MAC:1\xff\0\xff\xff\xff\xff", 12), false, {}},
        {"ENQ after a NUL is not seen", std::string("\x02MAC:2\xff\0ENQ", 11), true, {"2", "", "", ""}},
    };
    for (const Case& c : cases) {
        const auto r = decodeKvReply(c.datagram.data(), static_cast<int>(c.datagram.size()));
        ASSERT_EQ(r.has_value(), c.accepted) << c.what;
        if (r) {
            EXPECT_EQ(r->mac, c.record.mac) << c.what;
            EXPECT_EQ(r->submask, c.record.submask) << c.what;
            EXPECT_EQ(r->gateway, c.record.gateway) << c.what;
            EXPECT_EQ(r->name, c.record.name) << c.what;
        }
    }
    EXPECT_FALSE(decodeKvReply(nullptr, 10));
    EXPECT_FALSE(decodeKvReply("x", 0));
}

TEST(ReplyDecoders, AnyBytesOfAnySizeAreARecordOrDropped)
{
    std::mt19937 random(2026);
    for (int round = 0; round < 20000; ++round) {
        std::string d(random() % 300, '\0');
        for (char& c : d)
            c = static_cast<char>(random());
        if (round % 3 == 0 && d.size() >= 23) {
            d.replace(0, 3, "kvo");
            d[3] = 1;
            d[4] = d[5] = d[6] = 0;
            d[7] = static_cast<char>(d.size() - 23);
            d[8] = 0;
        }
        (void)decode(d); // must not crash, hang or throw (checked under the sanitizers)
        (void)decodeKvReply(d.data(), static_cast<int>(d.size()));
    }
}

TEST(DeviceText, ControlsAreEscapedAndEverythingElseKept)
{
    using brenmoor::console::escapeControls;
    const std::pair<std::string, std::string> cases[] = {
        {"Cam-01 Süd 摄像机 😀", "Cam-01 Süd 摄像机 😀"},
        {"\x1b]0;owned\x07", "\\x1b]0;owned\\x07"},            // sets the terminal's title
        {"\x1b[2J\x1b[H", "\\x1b[2J\\x1b[H"},                     // clears the screen
        {"cam\n[OK] Gateway is in the same subnet", "cam\\x0a[OK] Gateway is in the same subnet"},
        {"a\rb\tc", "a\\x0db\\x09c"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"\x7f", "\\x7f"},
        {"\xc2\x9b" "2J", "\\xc2\\x9b" "2J"},                       // C1 CSI, well-formed UTF-8
        {"\xc2\xa0", "\xc2\xa0"},                                   // U+00A0 is no control
        {"\x9b" "2J", "\\x9b" "2J"},                                  // a bare 8-bit CSI
        {"\xc0\xaf", "\\xc0\\xaf"},                                // overlong
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"},                      // a surrogate
        {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},             // above U+10FFFF
        {"\xe6\x91", "\\xe6\\x91"},                                // cut short
        {"\\x1b", "\\x1b"},                                         // escaped once is escaped
        // Characters that reorder or break a line as a bidirectional terminal shows it.
        {"cam\xe2\x80\xae" "gpj.exe", "cam\\xe2\\x80\\xae" "gpj.exe"}, // U+202E right-to-left override
        {"\xe2\x80\xaa\xe2\x80\xab\xe2\x80\xac\xe2\x80\xad", "\\xe2\\x80\\xaa\\xe2\\x80\\xab\\xe2\\x80\\xac\\xe2\\x80\\xad"},
        {"\xe2\x81\xa6x\xe2\x81\xa9", "\\xe2\\x81\\xa6x\\xe2\\x81\\xa9"}, // U+2066 ... U+2069 isolates
        {"a\xe2\x80\xa8" "b\xe2\x80\xa9", "a\\xe2\\x80\\xa8" "b\\xe2\\x80\\xa9"}, // line and paragraph separators
        {"\xe2\x80\x8e\xe2\x80\x8f\xd8\x9c", "\\xe2\\x80\\x8e\\xe2\\x80\\x8f\\xd8\\x9c"}, // LRM, RLM, ALM
        {"\xe2\x80\x8b\xe2\x81\xa0\xd8\x9b", "\xe2\x80\x8b\xe2\x81\xa0\xd8\x9b"}, // their neighbours are kept
    };
    for (const auto& [raw, shown] : cases) {
        EXPECT_EQ(escapeControls(raw), shown) << raw;
        EXPECT_EQ(escapeControls(shown), shown) << "escaping twice changes nothing: " << raw;
    }
}

TEST(DeviceText, ARecordHoldsTheDevicesOwnTextBoundedAndShowsItEscaped)
{
    const std::string name = std::string(255, 'n') + "摄"; // the limit falls inside the last character
    const std::string payload = R"({"sn":"A1","mac":"00:11:22:33:44:55\u001b[2J","version":"1","typeID":")" + name
        + R"(","submask":")" + std::string(5000, '9') + R"(","gateway":"\u0085"})";
    const JsonReplyResult json = decode(jsonDatagram(payload));
    ASSERT_EQ(json.kind, JsonReplyResult::Device);
    const DeviceRecord fromJson = deviceRecord("10.0.0.5", json.reply);
    EXPECT_EQ(fromJson.mac, QStringLiteral("00:11:22:33:44:55\x1b[2J")) << "the device's own text";
    EXPECT_EQ(shownText(fromJson.mac), QStringLiteral("00:11:22:33:44:55\\x1b[2J"));
    EXPECT_EQ(fromJson.name, QString(255, QLatin1Char('n')));
    EXPECT_EQ(fromJson.submask, QString(static_cast<int>(kMaxDeviceTextBytes), QLatin1Char('9')));
    EXPECT_EQ(fromJson.gateway, QString(QChar(0x85)));
    EXPECT_EQ(shownText(fromJson.gateway), QStringLiteral("\\xc2\\x85"));
    EXPECT_EQ(fromJson.ip, QStringLiteral("10.0.0.5"));
    EXPECT_EQ(fromJson.type, 0);

    const std::string frame = "\x02" "MAC:\x1b]0;t\x07" "\xff" "NAME:Cam\x9b" "\xff\x03";
    const auto kv = decodeKvReply(frame.data(), static_cast<int>(frame.size()));
    ASSERT_TRUE(kv);
    const DeviceRecord fromKv = deviceRecord("10.0.0.6", *kv);
    EXPECT_EQ(fromKv.mac, QStringLiteral("\x1b]0;t\x07"));
    EXPECT_EQ(shownText(fromKv.mac), QStringLiteral("\\x1b]0;t\\x07"));
    // A byte that is no UTF-8 cannot live in a QString: it is kept as the text that names it.
    EXPECT_EQ(fromKv.name, QStringLiteral("Cam\\x9b"));
    EXPECT_EQ(shownText(fromKv.name), QStringLiteral("Cam\\x9b"));
    EXPECT_EQ(fromKv.type, 1);

    // A name with a tab goes back with its tab, cut by characters.
    const std::string tabbed = "\x02" "MAC:02:00:5e:00:00:01\xff" "NAME:Lobby\tCam\xff\x03";
    const DeviceRecord lobby = deviceRecord("10.0.0.7", *decodeKvReply(tabbed.data(), static_cast<int>(tabbed.size())));
    EXPECT_EQ(shownText(lobby.name), QStringLiteral("Lobby\\x09Cam"));
    EXPECT_EQ(firstCharacters(lobby.name, kNameCharacters), QStringLiteral("Lobby\tCa"));
}

TEST(DeviceText, TheTableRulesAndTheConflictLine)
{
    // Found by fuzzing: a MAC text in Greek letters. It is the same MAC as itself; lower case
    // of it is another text, as no hex MAC could be.
    const QString greek = QString::fromUtf8("0\xce\xbe\xce\x90:\xcf\x82");
    EXPECT_TRUE(isSameMac(greek, greek));
    EXPECT_TRUE(isSameMac(QStringLiteral("02:AB:cd:00:00:01"), QStringLiteral("02-ab-CD-00-00-01")));

    EXPECT_EQ(rowAction(false, 0, 0), RowAction::Insert);
    EXPECT_EQ(rowAction(false, 1, kMaxTableRows - 1), RowAction::Insert);
    EXPECT_EQ(rowAction(false, 1, kMaxTableRows), RowAction::TableFull);
    EXPECT_EQ(rowAction(true, 1, kMaxTableRows), RowAction::Refresh) << "a listed device is refreshed in a full table";
    EXPECT_EQ(rowAction(true, 0, 3), RowAction::Ignore);

    const QString rowMac = QStringLiteral("00-11-22-AA-BB-CC");
    const QString rowIp = QStringLiteral("10.0.0.5");
    EXPECT_EQ(conflictLine(rowMac, rowIp, "00:11:22:aa:bb:cc", "10.0.0.5"), std::nullopt) << "its own address";
    EXPECT_EQ(conflictLine(rowMac, rowIp, "00:11:22:aa:bb:cd", "10.0.0.6"), std::nullopt) << "another address";
    EXPECT_EQ(conflictLine(rowMac, rowIp, "00:11:22:aa:bb:cd", "10.0.0.5"),
              std::optional<std::string>("Ip:10.0.0.5conflict 00:11:22:aa:bb:cd 001122aabbcc"));
    // Found by fuzzing once the record kept the device's own text: the line shows it escaped.
    EXPECT_EQ(conflictLine(QStringLiteral("00-11-22-AA-BB-CC\x1b[2J"), rowIp, "00:11:22:aa:bb:cd", "10.0.0.5"),
              std::optional<std::string>("Ip:10.0.0.5conflict 00:11:22:aa:bb:cd 001122aabbcc\\x1b[2j"));
}
