#pragma once
// Datagrams the kernel's reverse-path filter drops: a device at a factory address outside
// every network of the host answers from a source the host has no route back to, and with
// rp_filter 1 (or 2 without a default route) the kernel drops its reply without a word. The
// drops are counted in /proc/net/netstat, which any user can read.

#include "net/ifaddrssource.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brenmoor::net {

// The value of counter `name` among the `group` lines of a /proc/net/netstat text (a line of
// names, then a line of values, both starting with "group:").
std::optional<std::uint64_t> netstatCounter(const std::string& text, const std::string& group,
                                            const std::string& name);
// IPReversePathFilter now; nothing when the file cannot be read or has no such counter.
std::optional<std::uint64_t> reversePathDrops(const std::string& path = "/proc/net/netstat");

// What decides whether such replies get in.
struct ReversePathSettings
{
    std::optional<int> all; // net.ipv4.conf.all.rp_filter
    std::vector<std::pair<std::string, int>> interfaces; // each interface's own value
    bool defaultRoute = false;
};
// Read under `procRoot` (tests give a folder of their own) for the named interfaces.
ReversePathSettings readReversePathSettings(const std::vector<std::string>& interfaces,
                                            const std::string& procRoot = "/proc");
// The names of the up, non-loopback interfaces with an IPv4 address, once each.
std::vector<std::string> ipv4InterfaceNames(const IfaddrsSource& source);

// The console line for `dropped` datagrams, with what lets them in.
std::string reversePathDropLine(std::uint64_t dropped, const ReversePathSettings& settings);

// Takes the counter when made; report() takes it again and, when it rose, reports the line
// as a warning.
class ReversePathDropWatch
{
public:
    explicit ReversePathDropWatch(std::string netstatPath = "/proc/net/netstat");
    // The number of drops since construction (0 when either reading failed), after reporting
    // the line for them.
    std::uint64_t report(const IfaddrsSource& source) const;

private:
    std::string path;
    std::optional<std::uint64_t> before;
};

} // namespace brenmoor::net
