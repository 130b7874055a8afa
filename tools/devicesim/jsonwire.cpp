#include "tools/devicesim/jsonwire.h"

#include <nlohmann/json.hpp>

namespace devicesim {

uint32_t le32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

namespace {

void appendLe(Bytes& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

} // namespace

Bytes jsonPacket(uint32_t command, const std::string& payload, uint16_t sequence, uint32_t target,
                 int declaredLengthDelta, const char* magic, int checksumDelta)
{
    Bytes p(magic, magic + 3);
    appendLe(p, command, 4);
    appendLe(p, static_cast<uint32_t>(static_cast<int>(payload.size()) + declaredLengthDelta), 2);
    appendLe(p, 0, 2); // checksum, filled below
    p.push_back(0);
    p.push_back(0);
    appendLe(p, sequence, 2);
    appendLe(p, 0x5133D001u, 4); // the simulator's own identifier
    appendLe(p, target, 4);
    p.insert(p.end(), payload.begin(), payload.end());
    uint32_t sum = 0;
    for (unsigned char b : p)
        sum += b;
    sum += static_cast<uint32_t>(checksumDelta);
    p[9] = static_cast<unsigned char>(sum);
    p[10] = static_cast<unsigned char>(sum >> 8);
    return p;
}

namespace {

std::string quoted(const std::string& text)
{
    return nlohmann::json(text).dump();
}

std::string replyObject(const Device& d)
{
    return "{\"sn\":" + quoted(d.sn) + ",\"mac\":" + quoted(d.mac) + ",\"version\":" + quoted(d.version)
        + ",\"typeID\":" + quoted(d.name) + ",\"submask\":" + quoted(d.mask) + ",\"gateway\":" + quoted(d.gateway) + "}";
}

} // namespace

Bytes jsonReply(const Device& d, uint16_t sequence, uint32_t asker)
{
    const std::string& m = d.misbehave;
    if (m == "wrong-magic")
        return jsonPacket(1, replyObject(d), sequence, asker, 0, "xyz");
    if (m == "wrong-checksum")
        return jsonPacket(1, replyObject(d), sequence, asker, 0, "kvo", 77);
    if (m == "extra-bytes") {
        Bytes p = jsonPacket(1, replyObject(d), sequence, asker);
        const std::string tail = "\x01 trailing bytes {";
        p.insert(p.end(), tail.begin(), tail.end());
        return p;
    }
    if (m == "long-length")
        return jsonPacket(1, replyObject(d), sequence, asker, 40);
    if (m == "non-object")
        return jsonPacket(1, "[" + quoted(d.mac) + "]", sequence, asker);
    if (m == "invalid-json")
        return jsonPacket(1, "{\"sn\":" + quoted(d.sn) + ",\"mac\":", sequence, asker);
    if (m == "number-for-string") {
        std::string object = replyObject(d);
        object.replace(object.find("\"typeID\":") + 9, quoted(d.name).size(), "3");
        return jsonPacket(1, object, sequence, asker);
    }
    if (m == "missing-key") {
        std::string object = replyObject(d);
        object.erase(object.find(",\"gateway\":"), std::string::npos);
        return jsonPacket(1, object + "}", sequence, asker);
    }
    if (m == "command-2")
        return jsonPacket(2, replyObject(d), sequence, asker);
    if (m == "short")
        return Bytes(22, 'k');
    if (m == "empty")
        return {};
    return jsonPacket(1, replyObject(d), sequence, asker);
}

} // namespace devicesim
