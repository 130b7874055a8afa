#include "protocol/jsonpacket.h"

#include <cstring>
#include <nlohmann/json.hpp>

std::atomic<uint16_t> g_packetSeq{0};

uint16_t takePacketSequence()
{
    return g_packetSeq.fetch_add(1); // unsigned 16-bit: wraps from 65535 to 0
}

namespace {

void put16(unsigned char* out, uint16_t value)
{
    out[0] = static_cast<unsigned char>(value);
    out[1] = static_cast<unsigned char>(value >> 8);
}

void put32(unsigned char* out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<unsigned char>(value >> (8 * i));
}

uint16_t get16(const unsigned char* in)
{
    return static_cast<uint16_t>(in[0] | (in[1] << 8));
}

uint32_t get32(const unsigned char* in)
{
    return static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8) | (static_cast<uint32_t>(in[2]) << 16)
        | (static_cast<uint32_t>(in[3]) << 24);
}

} // namespace

void writeHeader(const protocol_packet_t& header, unsigned char* out)
{
    std::memcpy(out, header.magic, 3);
    put32(out + 3, header.command);
    put16(out + 7, header.length);
    put16(out + 9, header.checksum);
    out[11] = header.reserved1;
    out[12] = header.reserved2;
    put16(out + 13, header.sequence);
    put32(out + 15, header.sourceId);
    put32(out + 19, header.targetId);
}

protocol_packet_t readHeader(const unsigned char* in)
{
    protocol_packet_t header{};
    std::memcpy(header.magic, in, 3);
    header.command = get32(in + 3);
    header.length = get16(in + 7);
    header.checksum = get16(in + 9);
    header.reserved1 = in[11];
    header.reserved2 = in[12];
    header.sequence = get16(in + 13);
    header.sourceId = get32(in + 15);
    header.targetId = get32(in + 19);
    return header;
}

unsigned char* build_packet_in_buffer(unsigned char* buffer, size_t bufferSize, uint16_t length, uint32_t command,
                                      uint8_t reserved1, uint8_t reserved2, uint16_t sequence, uint32_t sourceId,
                                      uint32_t targetId)
{
    if (!buffer || bufferSize < kPacketHeaderSize + length)
        return nullptr;
    const protocol_packet_t header{{'k', 'v', 'o'}, command, length, 0, reserved1, reserved2, sequence, sourceId, targetId};
    writeHeader(header, buffer);
    std::memset(buffer + kPacketHeaderSize, 0, length);
    return buffer;
}

uint16_t packetChecksum(const unsigned char* packet, size_t size)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < size; ++i)
        sum += (i == 9 || i == 10) ? 0u : packet[i]; // the checksum field counts as 0
    return static_cast<uint16_t>(sum);
}

void calculate_and_set_checksum(unsigned char* packet)
{
    put16(packet + 9, 0);
    put16(packet + 9, packetChecksum(packet, kPacketHeaderSize + get16(packet + 7)));
}

std::vector<unsigned char> deserialize_protocol_packet(const unsigned char* data, size_t size)
{
    if (!data || size < kPacketHeaderSize)
        return {};
    const size_t total = kPacketHeaderSize + get16(data + 7);
    if (size < total)
        return {};
    return std::vector<unsigned char>(data, data + total);
}

const unsigned char* get_payload_ptr(const unsigned char* packet)
{
    return get16(packet + 7) == 0 ? nullptr : packet + kPacketHeaderSize;
}

std::vector<unsigned char> buildDiscoveryRequest(uint16_t sequence, uint32_t sourceId)
{
    std::vector<unsigned char> packet(kPacketHeaderSize);
    build_packet_in_buffer(packet.data(), packet.size(), 0, kCommandDiscovery, 0, 0, sequence, sourceId,
                           kTargetEveryDevice);
    calculate_and_set_checksum(packet.data());
    return packet;
}

std::vector<unsigned char> buildSetNetworkPacket(const std::string& payload, uint16_t sequence, uint32_t sourceId)
{
    if (payload.size() > kPacketBufferSize - kPacketHeaderSize)
        return {};
    std::vector<unsigned char> packet(kPacketHeaderSize + payload.size());
    build_packet_in_buffer(packet.data(), packet.size(), static_cast<uint16_t>(payload.size()), kCommandSetNetwork, 0, 0,
                           sequence, sourceId, kTargetEveryDevice);
    std::memcpy(packet.data() + kPacketHeaderSize, payload.data(), payload.size());
    calculate_and_set_checksum(packet.data());
    return packet;
}

std::string serializeNetParam(const std::string& mac, const std::string& ip, const std::string& submask,
                              const std::string& gateway)
{
    nlohmann::json object;
    object["mac"] = mac;
    object["ip"] = ip;
    object["submask"] = submask;
    object["gateway"] = gateway;
    // Texts that are not valid UTF-8 are replaced rather than thrown over.
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}
