#pragma once
// Filtering and decoding a key-value reply datagram. Pure: no window.

#include <optional>
#include <string>

struct KvDeviceRecord
{
    std::string mac;
    std::string submask;
    std::string gateway;
    std::string name;
};

// Drops, in this order: text (up to the first NUL) holding "ENQ", "ACK" or "ack" (requests,
// the tool's own included, and acknowledgements); a datagram with exactly five 0xFF bytes
// anywhere (set-network commands); a datagram with none of the keys MAC, MASK, GATEWAY and
// NAME. Otherwise the record, keys absent giving empty fields.
std::optional<KvDeviceRecord> decodeKvReply(const char* data, int len);
