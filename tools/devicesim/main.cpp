// bm-devicesim: plays one or many networked devices inside a lab host.
//
// Answers JSON-protocol discovery (requests on UDP 21088, replies to the asker's port 21089
// from the device's own address) and key-value discovery (UDP 52380 both ways), can
// misbehave on purpose, and records every datagram it receives, decoding set-network
// commands, each line with the datagram's arrival time "t" in nanoseconds. Its encoders and decoders are its own, written from the wire format, and share
// no code with the tool, so a codec fault cannot hide on both sides.
//
//   bm-devicesim [--record FILE] [--apply] --device SPEC [--device SPEC ...]
//
// SPEC is a comma-separated list of key=value:
//   ip=A.B.C.D        source address (default: the host's first non-loopback IPv4 address)
//   mac=TEXT          the MAC text the device reports, in any form (default 02:00:00:00:00:01)
//   name=TEXT         typeID (JSON) and NAME (key-value)        (default SIM)
//   kvmac=, kvname=   what the key-value replies report instead of mac= and name=
//   sn=, version=, mask=, gateway=                              (defaults SN0001, 1.0, 255.255.255.0, "")
//   proto=json|kv|both                                          (default both)
//   misbehave=MODE    JSON: wrong-magic wrong-checksum extra-bytes long-length non-object
//                     invalid-json number-for-string missing-key command-2 short empty
//                     key-value: ack five-pairs nul no-keys
//
// --apply: a set-network command naming a device's MAC moves that device to the new address
// (ip addr on the interface that holds the old one), as a real device would.
// --exit-with-parent: end when the process that started the simulator ends (tests).
// Prints "devicesim: ready" once listening; ends on SIGTERM or SIGINT.

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr unsigned short kJsonRequestPort = 21088;
constexpr unsigned short kJsonReplyPort = 21089;
constexpr unsigned short kKvPort = 52380;

volatile std::sig_atomic_t stopRequested = 0;

struct Device
{
    std::string ip;
    std::string mac = "02:00:00:00:00:01";
    std::string name = "SIM";
    std::string sn = "SN0001";
    std::string version = "1.0";
    std::string mask = "255.255.255.0";
    std::string gateway;
    bool json = true;
    bool kv = true;
    std::string kvMac; // empty: as mac
    std::string kvName; // empty: as name
    std::string misbehave;
    int sendSock = -1;
    unsigned ifIndex = 0; // the interface that holds ip
};

using Bytes = std::vector<unsigned char>;

[[noreturn]] void fail(const std::string& message)
{
    std::fprintf(stderr, "devicesim: %s\n", message.c_str());
    std::exit(2);
}

std::string firstHostAddress()
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return {};
    std::string found;
    for (ifaddrs* it = list; it && found.empty(); it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET || (it->ifa_flags & IFF_LOOPBACK))
            continue;
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(it->ifa_addr)->sin_addr, text, sizeof text);
        found = text;
    }
    freeifaddrs(list);
    return found;
}

Device parseDevice(const std::string& spec)
{
    Device d;
    size_t start = 0;
    while (start <= spec.size()) {
        size_t end = spec.find(',', start);
        if (end == std::string::npos)
            end = spec.size();
        const std::string item = spec.substr(start, end - start);
        start = end + 1;
        if (item.empty())
            continue;
        const size_t eq = item.find('=');
        if (eq == std::string::npos)
            fail("bad device item: " + item);
        const std::string key = item.substr(0, eq);
        const std::string value = item.substr(eq + 1);
        if (key == "ip") d.ip = value;
        else if (key == "mac") d.mac = value;
        else if (key == "name") d.name = value;
        else if (key == "sn") d.sn = value;
        else if (key == "version") d.version = value;
        else if (key == "mask") d.mask = value;
        else if (key == "gateway") d.gateway = value;
        else if (key == "misbehave") d.misbehave = value;
        else if (key == "kvmac") d.kvMac = value;
        else if (key == "kvname") d.kvName = value;
        else if (key == "proto") {
            d.json = value == "json" || value == "both";
            d.kv = value == "kv" || value == "both";
            if (!d.json && !d.kv)
                fail("proto must be json, kv or both");
        } else
            fail("unknown device key: " + key);
    }
    if (d.ip.empty())
        d.ip = firstHostAddress();
    return d;
}

int udpSocket(const std::string& ip, unsigned short port)
{
    const int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0)
        fail("socket");
    const int on = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    setsockopt(sock, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on);
    setsockopt(sock, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1
        || bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        fail("cannot bind " + ip + ":" + std::to_string(port) + ": " + std::strerror(errno));
    return sock;
}

void sendTo(int sock, const std::string& ip, unsigned short port, const Bytes& bytes)
{
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(port);
    inet_pton(AF_INET, ip.c_str(), &destination.sin_addr);
    sendto(sock, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&destination), sizeof destination);
}

// --- JSON protocol, written from the wire format -----------------------------------------

uint32_t le32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void appendLe(Bytes& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

Bytes jsonPacket(uint32_t command, const std::string& payload, uint16_t sequence, uint32_t target,
                 int declaredLengthDelta = 0, const char* magic = "kvo", int checksumDelta = 0)
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

std::string quoted(const std::string& text)
{
    return nlohmann::json(text).dump();
}

std::string replyObject(const Device& d)
{
    return "{\"sn\":" + quoted(d.sn) + ",\"mac\":" + quoted(d.mac) + ",\"version\":" + quoted(d.version)
        + ",\"typeID\":" + quoted(d.name) + ",\"submask\":" + quoted(d.mask) + ",\"gateway\":" + quoted(d.gateway) + "}";
}

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

// --- key-value protocol ----------------------------------------------------------------

std::string kvFrame(const std::vector<std::pair<std::string, std::string>>& pairs)
{
    std::string f = "\x02";
    for (const auto& [k, v] : pairs)
        f += k + ":" + v + "\xff";
    return f + "\x03";
}

std::vector<std::pair<std::string, std::string>> kvPairs(const std::string& datagram)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    std::string body = datagram;
    if (!body.empty() && body.front() == '\x02')
        body.erase(0, 1);
    if (!body.empty() && body.back() == '\x03')
        body.pop_back();
    size_t start = 0;
    while (start < body.size()) {
        size_t end = body.find('\xff', start);
        if (end == std::string::npos)
            end = body.size();
        const std::string segment = body.substr(start, end - start);
        const size_t colon = segment.find(':');
        if (colon != std::string::npos)
            pairs.emplace_back(segment.substr(0, colon), segment.substr(colon + 1));
        start = end + 1;
    }
    return pairs;
}

Bytes kvReply(const Device& d)
{
    std::vector<std::pair<std::string, std::string>> pairs{
        {"MAC", d.kvMac.empty() ? d.mac : d.kvMac}, {"IPADR", d.ip}, {"MASK", d.mask}, {"GATEWAY", d.gateway},
        {"NAME", d.kvName.empty() ? d.name : d.kvName}, {"SN", d.sn}};
    const std::string& m = d.misbehave;
    if (m == "ack")
        pairs.emplace_back("RESULT", "ACK");
    else if (m == "five-pairs")
        pairs.pop_back();
    else if (m == "no-keys")
        pairs = {{"MODEL", d.name}, {"SN", d.sn}};
    std::string frame = kvFrame(pairs);
    if (m == "nul")
        frame.insert(1, 1, '\0');
    return Bytes(frame.begin(), frame.end());
}

// --- recording and applying --------------------------------------------------------------

std::string hex(const Bytes& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string normalMac(std::string mac)
{
    std::string out;
    for (char c : mac)
        if (c != ':' && c != '-')
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

int prefixLength(const std::string& mask)
{
    in_addr a{};
    if (inet_pton(AF_INET, mask.c_str(), &a) != 1)
        return 24;
    return __builtin_popcount(a.s_addr);
}

std::string interfaceHolding(const std::string& ip)
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return {};
    std::string name;
    for (ifaddrs* it = list; it && name.empty(); it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(it->ifa_addr)->sin_addr, text, sizeof text);
        if (ip == text)
            name = it->ifa_name;
    }
    freeifaddrs(list);
    return name;
}

class Simulator
{
public:
    std::vector<Device> devices;
    FILE* record = nullptr;
    bool apply = false;

    void run()
    {
        const int jsonSock = udpSocket("0.0.0.0", kJsonRequestPort);
        const int kvSock = udpSocket("0.0.0.0", kKvPort);
        const int on = 1;
        for (int sock : {jsonSock, kvSock}) {
            setsockopt(sock, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
            setsockopt(sock, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
            // Hundreds of devices in one process answer bursts: room for the requests queued
            // behind them.
            const int bytes = 4 << 20;
            setsockopt(sock, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes);
        }
        for (Device& d : devices) {
            d.sendSock = udpSocket(d.ip, 0);
            d.ifIndex = if_nametoindex(interfaceHolding(d.ip).c_str());
        }
        std::printf("devicesim: ready (%zu devices)\n", devices.size());
        std::fflush(stdout);
        pollfd fds[2] = {{jsonSock, POLLIN, 0}, {kvSock, POLLIN, 0}};
        Bytes buffer(65536);
        while (!stopRequested) {
            if (poll(fds, 2, 200) <= 0)
                continue;
            for (int i = 0; i < 2; ++i) {
                if (!(fds[i].revents & POLLIN))
                    continue;
                sockaddr_in sender{};
                iovec iov{buffer.data(), buffer.size()};
                alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(timespec)) + CMSG_SPACE(sizeof(in_pktinfo))] = {};
                msghdr message{};
                message.msg_name = &sender;
                message.msg_namelen = sizeof sender;
                message.msg_iov = &iov;
                message.msg_iovlen = 1;
                message.msg_control = control;
                message.msg_controllen = sizeof control;
                const ssize_t n = recvmsg(fds[i].fd, &message, 0);
                if (n < 0)
                    continue;
                // The kernel's arrival time: datagrams on the two ports are handled in poll
                // order, but recorded with when they arrived.
                arrival = 0;
                arrivalInterface = 0;
                for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
                    if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                        timespec t{};
                        std::memcpy(&t, CMSG_DATA(c), sizeof t);
                        arrival = static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
                    } else if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                        in_pktinfo info{};
                        std::memcpy(&info, CMSG_DATA(c), sizeof info);
                        arrivalInterface = static_cast<unsigned>(info.ipi_ifindex);
                    }
                }
                char from[INET_ADDRSTRLEN] = {};
                inet_ntop(AF_INET, &sender.sin_addr, from, sizeof from);
                const Bytes datagram(buffer.begin(), buffer.begin() + n);
                if (isOwn(from))
                    continue; // a device's own reply or broadcast coming back
                if (i == 0)
                    onJson(from, datagram);
                else
                    onKv(from, datagram);
            }
        }
    }

private:
    long long arrival = 0; // of the datagram being handled, in nanoseconds
    unsigned arrivalInterface = 0; // the interface it came in by

    // With one interface per device (macvlan), a broadcast arrives once per interface: each
    // device answers only the copy that reached its own.
    bool reachedDevice(const Device& d) const
    {
        return d.ifIndex == 0 || arrivalInterface == 0 || d.ifIndex == arrivalInterface;
    }

    bool isOwn(const std::string& from) const
    {
        for (const Device& d : devices)
            if (d.ip == from)
                return true;
        return false;
    }

    void write(nlohmann::json line)
    {
        if (!record)
            return;
        line["t"] = arrival;
        std::fputs((line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n").c_str(), record);
        std::fflush(record);
    }

    void onJson(const std::string& from, const Bytes& d)
    {
        nlohmann::json line{{"port", kJsonRequestPort}, {"from", from}, {"hex", hex(d)}, {"kind", "json-other"}};
        if (d.size() >= 23 && std::memcmp(d.data(), "kvo", 3) == 0) {
            const uint32_t command = le32(d.data() + 3);
            const size_t length = d[7] | (d[8] << 8);
            const uint16_t sequence = static_cast<uint16_t>(d[13] | (d[14] << 8));
            const uint32_t asker = le32(d.data() + 15);
            uint32_t sum = 0;
            for (size_t k = 0; k < d.size(); ++k)
                sum += (k == 9 || k == 10) ? 0 : d[k];
            line["checksumOk"] = static_cast<uint32_t>(d[9] | (d[10] << 8)) == (sum & 0xFFFFu);
            line["command"] = command;
            line["sequence"] = sequence;
            line["length"] = length;
            if (command == 1 && length == 0) {
                line["kind"] = "json-discovery";
                for (const Device& dev : devices)
                    if (dev.json && reachedDevice(dev))
                        sendTo(dev.sendSock, from, kJsonReplyPort, jsonReply(dev, sequence, asker));
            } else if (command == 2 && d.size() >= 23 + length) {
                line["kind"] = "json-set";
                const std::string payload(d.begin() + 23, d.begin() + 23 + static_cast<long>(length));
                line["payload"] = payload;
                const auto fields = nlohmann::json::parse(payload, nullptr, false);
                if (fields.is_object()) {
                    line["fields"] = fields;
                    if (fields.value("mac", nlohmann::json()).is_string() && fields.value("ip", nlohmann::json()).is_string())
                        applySettings(fields["mac"], fields["ip"], fields.value("submask", ""), fields.value("gateway", ""), nullptr);
                }
            }
        }
        write(line);
    }

    void onKv(const std::string& from, const Bytes& d)
    {
        const std::string text(d.begin(), d.end());
        nlohmann::json line{{"port", kKvPort}, {"from", from}, {"hex", hex(d)}, {"kind", "kv-other"}};
        const auto pairs = kvPairs(text);
        nlohmann::json list = nlohmann::json::array();
        for (const auto& [k, v] : pairs)
            list.push_back({k, v});
        line["pairs"] = list;
        if (text.find("ENQ:network") != std::string::npos) {
            line["kind"] = "kv-discovery";
            for (const Device& dev : devices)
                if (dev.kv && reachedDevice(dev))
                    sendTo(dev.sendSock, from, kKvPort, kvReply(dev)); // the asker listens on 52380, whatever port it sent from
        } else if (pairs.size() == 5 && pairs[0].first == "MAC" && pairs[1].first == "IPADR") {
            line["kind"] = "kv-set";
            applySettings(pairs[0].second, pairs[1].second, pairs[2].second, pairs[3].second, &pairs[4].second);
        }
        write(line);
    }

    void applySettings(const std::string& mac, const std::string& ip, const std::string& mask,
                       const std::string& gateway, const std::string* name)
    {
        if (!apply)
            return;
        for (Device& d : devices) {
            const bool named = normalMac(d.mac) == normalMac(mac) || (!d.kvMac.empty() && normalMac(d.kvMac) == normalMac(mac));
            if (!named || d.ip == ip)
                continue;
            in_addr check{};
            if (inet_pton(AF_INET, ip.c_str(), &check) != 1)
                continue;
            const std::string ifname = interfaceHolding(d.ip);
            if (ifname.empty())
                continue;
            const std::string command = "ip addr del " + d.ip + "/" + std::to_string(prefixLength(d.mask)) + " dev " + ifname
                + " && ip addr add " + ip + "/" + std::to_string(prefixLength(mask)) + " dev " + ifname;
            if (std::system(command.c_str()) != 0)
                continue;
            close(d.sendSock);
            d.ip = ip;
            d.mask = mask;
            d.gateway = gateway;
            if (name)
                d.name = *name;
            d.sendSock = udpSocket(d.ip, 0);
            d.ifIndex = if_nametoindex(interfaceHolding(d.ip).c_str());
            std::printf("devicesim: %s now at %s\n", d.mac.c_str(), ip.c_str());
            std::fflush(stdout);
        }
    }
};

void onSignal(int)
{
    stopRequested = 1;
}

} // namespace

int main(int argc, char** argv)
{
    Simulator sim;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--device" && i + 1 < argc)
            sim.devices.push_back(parseDevice(argv[++i]));
        else if (arg == "--record" && i + 1 < argc) {
            sim.record = std::fopen(argv[++i], "a");
            if (!sim.record)
                fail(std::string("cannot open ") + argv[i]);
        } else if (arg == "--apply")
            sim.apply = true;
        else if (arg == "--exit-with-parent")
            prctl(PR_SET_PDEATHSIG, SIGTERM);
        else
            fail("usage: bm-devicesim [--record FILE] [--apply] [--exit-with-parent] --device SPEC [--device SPEC ...]");
    }
    if (sim.devices.empty())
        fail("no --device given");
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    sim.run();
    return 0;
}
