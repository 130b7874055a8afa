#include "tools/devicesim/simulator.h"

#include "tools/devicesim/hostnet.h"
#include "tools/devicesim/jsonwire.h"
#include "tools/devicesim/kvwire.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace devicesim {

volatile std::sig_atomic_t stopRequested = 0;

namespace {

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

std::string replyTo(const Device& d, const std::string& asker)
{
    return d.broadcastReply ? "255.255.255.255" : asker;
}

} // namespace

void Simulator::run()
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
        d.ifIndex = if_nametoindex(livesOn(d).c_str());
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

std::string Simulator::livesOn(const Device& d) const
{
    return d.interfaceName.empty() ? interfaceHolding(d.ip) : d.interfaceName;
}

bool Simulator::reachedDevice(const Device& d) const
{
    return d.ifIndex == 0 || arrivalInterface == 0 || d.ifIndex == arrivalInterface;
}

bool Simulator::isOwn(const std::string& from) const
{
    for (const Device& d : devices)
        if (d.ip == from)
            return true;
    return false;
}

void Simulator::write(nlohmann::json line)
{
    if (!record)
        return;
    line["t"] = arrival;
    std::fputs((line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n").c_str(), record);
    std::fflush(record);
}

void Simulator::onJson(const std::string& from, const Bytes& d)
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
            for (Device& dev : devices) {
                if (!dev.json || !reachedDevice(dev))
                    continue;
                sendTo(dev.sendSock, dev.ifIndex, replyTo(dev, from), kJsonReplyPort, jsonReply(dev, sequence, asker));
                Device flooder = dev;
                const int extra = std::exchange(dev.flood, 0);
                for (int k = 0; k < extra; ++k) {
                    char mac[18];
                    std::snprintf(mac, sizeof mac, "06:%02x:%02x:%02x:%02x:%02x", (k >> 24) & 0xff, (k >> 16) & 0xff,
                                  (k >> 8) & 0xff, k & 0xff, 0x01);
                    flooder.mac = mac;
                    sendTo(dev.sendSock, dev.ifIndex, replyTo(dev, from), kJsonReplyPort, jsonReply(flooder, sequence, asker));
                }
            }
        } else if (command == 2 && d.size() >= 23 + length) {
            line["kind"] = "json-set";
            const std::string payload(d.begin() + 23, d.begin() + 23 + static_cast<long>(length));
            line["payload"] = payload;
            const auto fields = nlohmann::json::parse(payload, nullptr, false);
            if (fields.is_object()) {
                line["fields"] = fields;
                if (fields.value("mac", nlohmann::json()).is_string() && fields.value("ip", nlohmann::json()).is_string()) {
                    line["heldBy"] = holdersOf(fields["ip"], fields["mac"]);
                    applySettings(fields["mac"], fields["ip"], fields.value("submask", ""), fields.value("gateway", ""), nullptr);
                }
            }
        }
    }
    write(line);
}

void Simulator::onKv(const std::string& from, const Bytes& d)
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
                // The asker listens on 52380, whatever port it sent from.
                sendTo(dev.sendSock, dev.ifIndex, replyTo(dev, from), kKvPort, kvReply(dev));
    } else if (pairs.size() == 5 && pairs[0].first == "MAC" && pairs[1].first == "IPADR") {
        line["kind"] = "kv-set";
        line["heldBy"] = holdersOf(pairs[1].second, pairs[0].second);
        applySettings(pairs[0].second, pairs[1].second, pairs[2].second, pairs[3].second, &pairs[4].second);
    }
    write(line);
}

std::vector<std::string> Simulator::holdersOf(const std::string& ip, const std::string& mac) const
{
    std::vector<std::string> holders;
    for (const Device& d : devices)
        if (d.ip == ip && normalMac(d.mac) != normalMac(mac))
            holders.push_back(d.mac);
    return holders;
}

void Simulator::applySettings(const std::string& mac, const std::string& ip, const std::string& mask,
                   const std::string& gateway, const std::string* name)
{
    if (!apply)
        return;
    for (Device& d : devices) {
        const bool named = normalMac(d.mac) == normalMac(mac) || (!d.kvMac.empty() && normalMac(d.kvMac) == normalMac(mac));
        if (!named)
            continue;
        if (d.ip == ip) {
            // Already there (the other protocol's command came first): the rest still applies.
            d.mask = mask;
            d.gateway = gateway;
            if (name)
                d.name = *name;
            continue;
        }
        in_addr check{};
        if (inet_pton(AF_INET, ip.c_str(), &check) != 1)
            continue;
        if (d.ignoreSettings)
            continue;
        const std::string ifname = livesOn(d);
        if (ifname.empty())
            continue;
        const bool shared = std::any_of(devices.begin(), devices.end(), [&](const Device& other) {
            return &other != &d && other.ip == d.ip && livesOn(other) == ifname;
        });
        // The new address may be one another simulated device holds already (a test's conflict).
        const std::string add = "{ ip -4 addr show dev " + ifname + " | grep -q ' " + ip + "/' || ip addr add " + ip + "/"
            + std::to_string(prefixLength(mask)) + " dev " + ifname + "; }";
        const std::string command = shared ? add
                                           : "ip addr del " + d.ip + "/" + std::to_string(prefixLength(d.mask)) + " dev "
                                                 + ifname + " && " + add;
        if (std::system(command.c_str()) != 0)
            continue;
        close(d.sendSock);
        d.ip = ip;
        d.mask = mask;
        d.gateway = gateway;
        if (name)
            d.name = *name;
        d.sendSock = udpSocket(d.ip, 0);
        d.ifIndex = if_nametoindex(livesOn(d).c_str());
        std::printf("devicesim: %s now at %s\n", d.mac.c_str(), ip.c_str());
        std::fflush(stdout);
    }
}

} // namespace devicesim
