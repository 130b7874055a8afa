#pragma once
// The JSON protocol's datagram: a 23-byte little-endian header followed by `length` bytes of
// compact JSON. Plain C++ over byte buffers; no Qt.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t kPacketHeaderSize = 23;
constexpr size_t kPacketBufferSize = 2048; // so a command's payload holds at most 2025 bytes
constexpr uint32_t kCommandDiscovery = 1;
constexpr uint32_t kCommandSetNetwork = 2;
constexpr uint32_t kTargetEveryDevice = 0xFFFFFFFFu;

// Header fields in host order; on the wire every multi-byte field is little-endian, no padding.
struct protocol_packet_t
{
    char magic[3]; // "kvo"
    uint32_t command;
    uint16_t length; // payload bytes after the header
    uint16_t checksum;
    uint8_t reserved1;
    uint8_t reserved2;
    uint16_t sequence;
    uint32_t sourceId;
    uint32_t targetId;
};

// Process-wide packet counter shared by every packet the tool builds; wraps 65535 -> 0.
// Atomic: the discovery sender thread and the GUI thread take numbers at the same time.
extern std::atomic<uint16_t> g_packetSeq;
uint16_t takePacketSequence();

void writeHeader(const protocol_packet_t& header, unsigned char* out);
protocol_packet_t readHeader(const unsigned char* in);

// Writes the header fields and a zero checksum, zero-fills the payload; null when the buffer
// is missing or smaller than 23 + length.
unsigned char* build_packet_in_buffer(unsigned char* buffer, size_t bufferSize, uint16_t length, uint32_t command,
                                      uint8_t reserved1, uint8_t reserved2, uint16_t sequence, uint32_t sourceId,
                                      uint32_t targetId);
// Sum of every byte of header and payload, computed with the checksum field at 0, truncated
// to 16 bits, stored in the checksum field.
void calculate_and_set_checksum(unsigned char* packet);
uint16_t packetChecksum(const unsigned char* packet, size_t size);
// A copy of the first 23 + length bytes, or empty when `size` is shorter than that.
std::vector<unsigned char> deserialize_protocol_packet(const unsigned char* data, size_t size);
// The payload, or null when length is 0.
const unsigned char* get_payload_ptr(const unsigned char* packet);

// The 23-byte discovery request for the given sequence and source identifier.
std::vector<unsigned char> buildDiscoveryRequest(uint16_t sequence, uint32_t sourceId);
// Header and payload of a set-network command; empty when the payload exceeds 2025 bytes.
std::vector<unsigned char> buildSetNetworkPacket(const std::string& payload, uint16_t sequence, uint32_t sourceId);

// The set-network payload: {"gateway":..,"ip":..,"mac":..,"submask":..}, compact, keys in
// byte order.
std::string serializeNetParam(const std::string& mac, const std::string& ip, const std::string& submask,
                              const std::string& gateway);
