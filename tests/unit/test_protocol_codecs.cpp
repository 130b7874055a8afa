// Golden bytes of both device protocols' messages, the checksum, the packet counter, and
// the key-value frame parser's rules.
#include "protocol/jsonpacket.h"
#include "protocol/kvframe.h"

#include <gtest/gtest.h>

using Bytes = std::vector<unsigned char>;

TEST(JsonPacket, DiscoveryRequestForSequenceZeroAndIdentifierZero)
{
    // checksum: 'k' + 'v' + 'o' + 1 + 4 * 0xFF = 1357 = 0x054D
    const Bytes expected{'k', 'v', 'o', 0x01, 0, 0, 0, 0x00, 0x00, 0x4D, 0x05, 0, 0,
                         0x00, 0x00, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(buildDiscoveryRequest(0, 0), expected);

    const Bytes withIds = buildDiscoveryRequest(0x0102, 0x0a32a8c0);
    const protocol_packet_t header = readHeader(withIds.data());
    EXPECT_EQ(header.sequence, 0x0102);
    EXPECT_EQ(header.sourceId, 0x0a32a8c0u);
    EXPECT_EQ(withIds[15], 0xc0) << "little-endian on the wire";
    EXPECT_EQ(header.checksum, 1357 + 0x01 + 0x02 + 0xc0 + 0xa8 + 0x32 + 0x0a);
}

TEST(JsonPacket, SetNetworkCommandOfTheDocumentedExample)
{
    const std::string payload = serializeNetParam("00:11:22:33:44:55", "192.168.1.50", "255.255.255.0", "192.168.1.1");
    EXPECT_EQ(payload, R"({"gateway":"192.168.1.1","ip":"192.168.1.50","mac":"00:11:22:33:44:55","submask":"255.255.255.0"})");
    ASSERT_EQ(payload.size(), 97u);
    const Bytes packet = buildSetNetworkPacket(payload, 7, 0);
    ASSERT_EQ(packet.size(), 120u);
    const protocol_packet_t header = readHeader(packet.data());
    EXPECT_EQ(std::string(header.magic, 3), "kvo");
    EXPECT_EQ(header.command, 2u);
    EXPECT_EQ(header.length, 97);
    EXPECT_EQ(header.targetId, 0xFFFFFFFFu);
    // 'k'+'v'+'o' 336, command 2, length 97, sequence 7, target 4 x 0xFF, the payload's bytes 5894
    EXPECT_EQ(header.checksum, 7356);
    EXPECT_EQ(std::string(packet.begin() + 23, packet.end()), payload);
}

TEST(JsonPacket, ChecksumTruncatesAndPayloadLimitIs2025Bytes)
{
    const Bytes big = buildSetNetworkPacket(std::string(2025, '\xff'), 0, 0);
    ASSERT_EQ(big.size(), 2048u);
    const uint32_t sum = 'k' + 'v' + 'o' + 2 + (2025 & 0xFF) + (2025 >> 8) + 4 * 0xFF + 2025u * 0xFF;
    EXPECT_EQ(readHeader(big.data()).checksum, static_cast<uint16_t>(sum));
    EXPECT_TRUE(buildSetNetworkPacket(std::string(2026, 'x'), 0, 0).empty());

    unsigned char small[30];
    EXPECT_EQ(build_packet_in_buffer(small, sizeof small, 7, 1, 0, 0, 0, 0, 0), small); // 23 + 7 fits
    EXPECT_EQ(build_packet_in_buffer(small, sizeof small, 8, 1, 0, 0, 0, 0, 0), nullptr);
    EXPECT_EQ(build_packet_in_buffer(nullptr, 100, 0, 1, 0, 0, 0, 0, 0), nullptr);
}

TEST(JsonPacket, CounterIsSharedAndWraps)
{
    g_packetSeq = 65535;
    EXPECT_EQ(takePacketSequence(), 65535);
    EXPECT_EQ(takePacketSequence(), 0);
    EXPECT_EQ(takePacketSequence(), 1);
}

TEST(JsonPacket, DeserializeNeedsTheWholeDeclaredPayloadAndIgnoresExtraBytes)
{
    Bytes packet = buildSetNetworkPacket("{}", 0, 0);
    EXPECT_EQ(deserialize_protocol_packet(packet.data(), 22), Bytes{});
    Bytes thirty(30, 0);
    thirty[7] = 10; // length 10, but only 7 payload bytes present
    EXPECT_TRUE(deserialize_protocol_packet(thirty.data(), thirty.size()).empty());
    EXPECT_EQ(deserialize_protocol_packet(packet.data(), packet.size()), packet);
    Bytes longer = packet;
    longer.insert(longer.end(), {'x', 'y'});
    EXPECT_EQ(deserialize_protocol_packet(longer.data(), longer.size()), packet);
    EXPECT_TRUE(deserialize_protocol_packet(nullptr, 100).empty());
    EXPECT_EQ(get_payload_ptr(packet.data()), packet.data() + 23);
    EXPECT_EQ(get_payload_ptr(buildDiscoveryRequest(0, 0).data()), nullptr);
}

TEST(KvFrame, RequestAndEmptyFrameBytes)
{
    const std::string request("\x02" "ENQ:network\xff\x03", 14);
    EXPECT_EQ(kvDiscoveryRequest(), request);
    EXPECT_EQ(buildViscaString({{"ENQ", "network"}}), request);
    EXPECT_EQ(buildViscaString({}), std::string("\x02\x03", 2));
    const std::string command = buildViscaString(
        {{"MAC", "00:11:22:33:44:55"}, {"IPADR", "192.168.1.50"}, {"MASK", "255.255.255.0"}, {"GATEWAY", "192.168.1.1"}, {"NAME", ""}});
    EXPECT_EQ(command, std::string("\x02MAC:00:11:22:33:44:55\xffIPADR:192.168.1.50\xffMASK:255.255.255.0\xff"
                                   "GATEWAY:192.168.1.1\xffNAME:\xff\x03"));
}

TEST(KvFrame, ParserRules)
{
    using Map = std::unordered_map<std::string, std::string>;
    struct Case { const char* what; std::string frame; Map expected; };
    const Case cases[] = {
        {"two pairs, colons kept", std::string("\x02MAC:00:11:22:33:44:55\xffNAME:cam\xff\x03"),
         {{"MAC", "00:11:22:33:44:55"}, {"NAME", "cam"}}},
        {"no framing bytes", "MAC:00:11:22:33:44:55\xffNAME:cam\xff", {{"MAC", "00:11:22:33:44:55"}, {"NAME", "cam"}}},
        {"last pair without its 0xFF", std::string("\x02MAC:aa\xffNAME:cam\x03"), {{"MAC", "aa"}, {"NAME", "cam"}}},
        {"last occurrence wins", "NAME:a\xffNAME:b\xff", {{"NAME", "b"}}},
        {"leading space is part of the key", " MAC:aa\xff", {{" MAC", "aa"}}},
        {"segment without colon skipped", "junk\xffMAC:aa\xff", {{"MAC", "aa"}}},
        {"empty value", "MASK:\xff", {{"MASK", ""}}},
        {"empty key", ":v\xff", {{"", "v"}}},
        {"empty segments", "\xff\xff\xff", {}},
        {"single 0x02", "\x02", {}},
        {"single 0x03", "\x03", {}},
        {"0x02 0x03", "\x02\x03", {}},
        {"empty", "", {}},
        {"NUL inside a value", std::string("NAME:a\0b\xff", 9), {{"NAME", std::string("a\0b", 3)}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseViscaString(c.frame), c.expected) << c.what;
}
