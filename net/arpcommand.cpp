#include "net/arpcommand.h"

#include <cstdio>
#include <regex>

namespace brenmoor::net {

bool parseArpLine(const std::string& line, std::string& ip, std::string& mac)
{
    // Never destroyed: a scan on a detached worker may still be reading while the process exits.
    static const std::regex* entry = new std::regex(R"(\(([\d.]+)\)\s+at\s+([0-9a-f:]{17}))", std::regex::ECMAScript);
    std::smatch match;
    if (!std::regex_search(line, match, *entry))
        return false;
    ip = match[1].str();
    mac = match[2].str();
    return true;
}

} // namespace brenmoor::net

void readArpTableByCommand(NeighbourMap& out, const std::string& prefix)
{
    FILE* pipe = popen("arp -an 2>/dev/null", "r");
    if (!pipe)
        return;
    char line[256];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string ip;
        std::string mac;
        if (brenmoor::net::parseArpLine(line, ip, mac))
            brenmoor::net::addNeighbour(out, prefix, mac, ip);
    }
    pclose(pipe);
}
