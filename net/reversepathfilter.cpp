#include "net/reversepathfilter.h"

#include "base/messages.h"
#include "net/hostinterfaces.h"

#include <algorithm>
#include <fstream>
#include <ifaddrs.h>
#include <net/if.h>
#include <sstream>
#include <sys/socket.h>

namespace brenmoor::net {

namespace {

std::optional<std::string> readFile(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::optional<int> readInt(const std::string& path)
{
    std::ifstream in(path);
    int value = 0;
    if (in >> value)
        return value;
    return std::nullopt;
}

std::vector<std::string> words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    std::string word;
    while (in >> word)
        out.push_back(word);
    return out;
}

// A line of /proc/net/route whose destination and mask are both zero.
bool hasDefaultRoute(const std::string& routeTable)
{
    std::istringstream in(routeTable);
    std::string line;
    std::getline(in, line); // the header
    while (std::getline(in, line)) {
        const std::vector<std::string> fields = words(line);
        if (fields.size() >= 8 && fields[1] == "00000000" && fields[7] == "00000000")
            return true;
    }
    return false;
}

} // namespace

std::optional<std::uint64_t> netstatCounter(const std::string& text, const std::string& group,
                                            const std::string& name)
{
    const std::string prefix = group + ":";
    std::istringstream in(text);
    std::string names;
    while (std::getline(in, names)) {
        if (names.compare(0, prefix.size(), prefix) != 0)
            continue;
        std::string values;
        if (!std::getline(in, values) || values.compare(0, prefix.size(), prefix) != 0)
            return std::nullopt;
        const std::vector<std::string> keys = words(names);
        const std::vector<std::string> numbers = words(values);
        for (size_t k = 1; k < keys.size() && k < numbers.size(); ++k) {
            if (keys[k] != name)
                continue;
            const std::string& number = numbers[k];
            if (number.empty() || !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
                return std::nullopt;
            try {
                return std::stoull(number);
            } catch (const std::exception&) {
                return std::nullopt; // out of range
            }
        }
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> reversePathDrops(const std::string& path)
{
    const std::optional<std::string> text = readFile(path);
    if (!text)
        return std::nullopt;
    return netstatCounter(*text, "TcpExt", "IPReversePathFilter");
}

ReversePathSettings readReversePathSettings(const std::vector<std::string>& interfaces, const std::string& procRoot)
{
    ReversePathSettings settings;
    const std::string conf = procRoot + "/sys/net/ipv4/conf/";
    settings.all = readInt(conf + "all/rp_filter");
    for (const std::string& name : interfaces) {
        // A name is a single path element: anything else is no interface of ours.
        if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
            continue;
        if (const std::optional<int> value = readInt(conf + name + "/rp_filter"))
            settings.interfaces.emplace_back(name, *value);
    }
    if (const std::optional<std::string> routes = readFile(procRoot + "/net/route"))
        settings.defaultRoute = hasDefaultRoute(*routes);
    return settings;
}

std::vector<std::string> ipv4InterfaceNames(const IfaddrsSource& source)
{
    std::vector<std::string> names;
    for (const HostAddress& address : readHostAddresses(source).value_or(std::vector<HostAddress>{})) {
        // A label such as eth0:1 has no settings of its own: its link's apply.
        if (isSearched(address) && std::find(names.begin(), names.end(), address.link) == names.end())
            names.push_back(address.link);
    }
    return names;
}

std::string reversePathDropLine(std::uint64_t dropped, const ReversePathSettings& settings)
{
    std::string now = "all " + (settings.all ? std::to_string(*settings.all) : std::string("unknown"));
    for (const auto& [name, value] : settings.interfaces)
        now += ", " + name + " " + std::to_string(value);
    now += settings.defaultRoute ? "; default route: yes" : "; default route: none";
    return std::to_string(dropped) + (dropped == 1 ? " datagram" : " datagrams")
        + " from addresses outside this host's networks were dropped by the kernel's reverse-path filter"
          " (a device at a factory address answers from such an address). To let them in, set"
          " net.ipv4.conf.all.rp_filter and the interface's own net.ipv4.conf.<interface>.rp_filter"
          " (the larger of the two applies) to 0, or to 2 with a default route. Now: "
        + now;
}

ReversePathDropWatch::ReversePathDropWatch(std::string netstatPath)
    : path(std::move(netstatPath))
    , before(reversePathDrops(path))
{
}

std::uint64_t ReversePathDropWatch::report(const IfaddrsSource& source) const
{
    const std::optional<std::uint64_t> after = reversePathDrops(path);
    if (!before || !after || *after <= *before)
        return 0;
    const std::uint64_t dropped = *after - *before;
    brenmoor::messages::report(brenmoor::messages::Level::Warning,
                               reversePathDropLine(dropped, readReversePathSettings(ipv4InterfaceNames(source))));
    return dropped;
}

} // namespace brenmoor::net
