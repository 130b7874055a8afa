#include "net/udpportholders.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

namespace brenmoor::net {

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Which process has each of `inodes` open, as far as this user may look.
std::map<unsigned long, PortHolder> processesOf(const std::set<unsigned long>& inodes, const std::string& procRoot)
{
    std::map<unsigned long, PortHolder> found;
    DIR* proc = opendir(procRoot.c_str());
    if (!proc)
        return found;
    while (const dirent* process = readdir(proc)) {
        const std::string pid = process->d_name;
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string fdFolder = procRoot + "/" + pid + "/fd";
        DIR* fds = opendir(fdFolder.c_str());
        if (!fds)
            continue; // another user's process
        while (const dirent* fd = readdir(fds)) {
            char target[64] = {};
            const ssize_t length = readlink((fdFolder + "/" + fd->d_name).c_str(), target, sizeof target - 1);
            unsigned long inode = 0;
            if (length <= 0 || std::sscanf(target, "socket:[%lu]", &inode) != 1 || inodes.count(inode) == 0)
                continue;
            PortHolder& holder = found[inode];
            holder.pid = std::stoi(pid);
            std::string name = readFile(procRoot + "/" + pid + "/comm");
            while (!name.empty() && (name.back() == '\n' || name.back() == '\r'))
                name.pop_back();
            holder.program = name;
        }
        closedir(fds);
    }
    closedir(proc);
    return found;
}

// The bytes of a local address as /proc writes it: 8 hex digits for IPv4, 32 for IPv6, each 8
// one 32-bit word printed in this host's byte order. Empty when it is neither.
std::vector<unsigned char> addressBytes(const std::string& hex)
{
    if ((hex.size() != 8 && hex.size() != 32) || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return {};
    std::vector<unsigned char> bytes(hex.size() / 2);
    for (size_t word = 0; word < hex.size() / 8; ++word) {
        const uint32_t value = static_cast<uint32_t>(std::stoul(hex.substr(word * 8, 8), nullptr, 16));
        std::memcpy(bytes.data() + word * 4, &value, sizeof value);
    }
    return bytes;
}

bool holdsIpv4Port(const std::vector<unsigned char>& v6)
{
    static const unsigned char wildcard[16] = {};
    static const unsigned char mappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    return std::memcmp(v6.data(), wildcard, sizeof wildcard) == 0
        || std::memcmp(v6.data(), mappedPrefix, sizeof mappedPrefix) == 0;
}

} // namespace

std::vector<UdpSocketEntry> parseProcNetUdp(const std::string& text)
{
    std::vector<UdpSocketEntry> entries;
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line); // the heading
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, timeout;
        unsigned uid = 0;
        unsigned long inode = 0;
        if (!(fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode))
            continue;
        const auto colon = local.find(':');
        if (colon == std::string::npos || local.size() - colon - 1 != 4)
            continue;
        const std::vector<unsigned char> address = addressBytes(local.substr(0, colon));
        if (address.empty())
            continue;
        unsigned port = 0;
        std::istringstream hex(local.substr(colon + 1));
        if (!(hex >> std::hex >> port) || !hex.eof())
            continue;
        const bool ipv6 = address.size() == 16;
        entries.push_back({port, inode, uid, ipv6, !ipv6 || holdsIpv4Port(address)});
    }
    return entries;
}

std::vector<PortHolder> otherPortHolders(unsigned port, const std::set<unsigned long>& own, const std::string& procRoot)
{
    std::map<unsigned long, PortHolder> others;
    for (const char* table : {"/net/udp", "/net/udp6"}) {
        for (const UdpSocketEntry& entry : parseProcNetUdp(readFile(procRoot + table))) {
            if (entry.port != port || !entry.holdsIpv4Port || own.count(entry.inode) != 0)
                continue;
            others[entry.inode].uid = entry.uid;
            others[entry.inode].ipv6 = entry.ipv6;
        }
    }
    if (others.empty())
        return {};
    std::set<unsigned long> inodes;
    for (const auto& [inode, holder] : others)
        inodes.insert(inode);
    for (auto& [inode, process] : processesOf(inodes, procRoot)) {
        others[inode].pid = process.pid;
        others[inode].program = std::move(process.program);
    }
    std::vector<PortHolder> holders;
    for (auto& [inode, holder] : others)
        holders.push_back(std::move(holder));
    return holders;
}

std::string portHolderLine(unsigned port, const std::vector<PortHolder>& holders, bool ownEndpointRuns)
{
    std::string who;
    for (const PortHolder& holder : holders) {
        std::string one = holder.pid ? "pid " + std::to_string(*holder.pid) + ", " : std::string();
        if (!holder.program.empty())
            one += holder.program + ", ";
        one += "user " + std::to_string(holder.uid);
        who += (who.empty() ? "" : "; ") + one;
    }
    const std::string held = "UDP port " + std::to_string(port) + " is held by another program (" + who + ")";
    return ownEndpointRuns ? held + ": replies sent to it may reach that program instead of this one"
                           : held + ": no reply to it reaches this program until that program closes it; Search tries again";
}

std::optional<std::string> replyPortLine(unsigned port, const std::vector<PortHolder>& holders, bool running,
                                         const std::string& failure)
{
    std::vector<PortHolder> shown;
    for (const PortHolder& holder : holders) {
        if (!running || !holder.ipv6)
            shown.push_back(holder);
    }
    if (!shown.empty())
        return portHolderLine(port, shown, running);
    if (running || failure.empty())
        return std::nullopt;
    // No holder in sight (the bind failed for another reason, or no interface was up): still
    // no reply comes, and the user must hear it.
    return "UDP port " + std::to_string(port) + " could not be opened (" + failure
        + "): no reply to it reaches this program; Search tries again";
}

} // namespace brenmoor::net
