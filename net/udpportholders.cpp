#include "net/udpportholders.h"

#include <cstdio>
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
        unsigned port = 0;
        std::istringstream hex(local.substr(colon + 1));
        if (!(hex >> std::hex >> port))
            continue;
        entries.push_back({port, inode, uid});
    }
    return entries;
}

std::vector<PortHolder> otherPortHolders(unsigned port, const std::set<unsigned long>& own, const std::string& procRoot)
{
    std::map<unsigned long, PortHolder> others;
    for (const UdpSocketEntry& entry : parseProcNetUdp(readFile(procRoot + "/net/udp"))) {
        if (entry.port == port && own.count(entry.inode) == 0)
            others[entry.inode].uid = entry.uid;
    }
    if (others.empty())
        return {};
    std::set<unsigned long> inodes;
    for (const auto& [inode, holder] : others)
        inodes.insert(inode);
    for (auto& [inode, process] : processesOf(inodes, procRoot)) {
        others[inode].pid = process.pid;
        others[inode].program = process.program;
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

} // namespace brenmoor::net
