#include "arphelper/arguments.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace brenmoor::arphelper {

namespace {

constexpr size_t kShownBytes = 40;

bool isNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_'
        || c == '@' || c == '-';
}

// Digits only, no sign, no leading zero, within 1..kMaxWaitMs.
bool parseWait(std::string_view text, unsigned& waitMs)
{
    if (text.empty() || text.size() > 4 || text[0] == '0')
        return false;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > kMaxWaitMs)
        return false;
    waitMs = value;
    return true;
}

using Interval = std::pair<Ipv4, Ipv4>; // first and last address, inclusive

// The intervals sorted, overlapping and adjacent ones joined: each address lies in one.
std::vector<Interval> merged(std::vector<Interval> intervals)
{
    std::sort(intervals.begin(), intervals.end());
    std::vector<Interval> joined;
    for (const Interval& interval : intervals) {
        if (!joined.empty() && uint64_t{interval.first} <= uint64_t{joined.back().second} + 1)
            joined.back().second = std::max(joined.back().second, interval.second);
        else
            joined.push_back(interval);
    }
    return joined;
}

} // namespace

bool isUsableInterfaceName(std::string_view name)
{
    return !name.empty() && name.size() <= kMaxInterfaceName && std::all_of(name.begin(), name.end(), isNameCharacter)
        && name != "." && name != "..";
}

std::string shownArgument(std::string_view argument)
{
    static const char kHex[] = "0123456789abcdef";
    std::string shown;
    for (size_t i = 0; i < argument.size() && i < kShownBytes; ++i) {
        const auto byte = static_cast<unsigned char>(argument[i]);
        if (byte < 0x20 || byte >= 0x7f || byte == '\\') {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0xf];
        } else {
            shown += static_cast<char>(byte);
        }
    }
    if (argument.size() > kShownBytes)
        shown += "...";
    return shown;
}

bool parseArguments(const std::vector<std::string>& args, Arguments& out, std::string& error)
{
    if (args.size() < 3) {
        error = "usage: brenmoor-arp INTERFACE WAIT_MS TARGET...";
        return false;
    }
    if (!isUsableInterfaceName(args[0])) {
        error = "interface name \"" + shownArgument(args[0]) + "\" is not usable: 1 to "
            + std::to_string(kMaxInterfaceName) + " of A-Z a-z 0-9 . _ @ -";
        return false;
    }
    unsigned waitMs = 0;
    if (!parseWait(args[1], waitMs)) {
        error = "wait \"" + shownArgument(args[1]) + "\" is not a whole number of milliseconds from 1 to "
            + std::to_string(kMaxWaitMs);
        return false;
    }
    std::vector<Interval> intervals;
    intervals.reserve(args.size() - 2);
    std::vector<Ipv4> named;
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string_view text = args[i];
        const size_t dash = text.find('-');
        Interval interval;
        const bool parsed = dash == std::string_view::npos
            ? parseIpv4(text, interval.first) && parseIpv4(text, interval.second)
            : parseIpv4(text.substr(0, dash), interval.first) && parseIpv4(text.substr(dash + 1), interval.second);
        if (!parsed) {
            error = "target \"" + shownArgument(text) + "\" is not an IPv4 address a.b.c.d or a range a.b.c.d-e.f.g.h";
            return false;
        }
        if (interval.first > interval.second) {
            error = "range " + shownArgument(text) + " is backwards";
            return false;
        }
        if (interval.first == interval.second)
            named.push_back(interval.first);
        intervals.push_back(interval);
    }
    // Counted before anything is expanded: a repeated range must cost nothing.
    intervals = merged(std::move(intervals));
    uint64_t count = 0;
    for (const Interval& interval : intervals)
        count += uint64_t{interval.second} - interval.first + 1;
    if (count > kMaxTargets) {
        error = std::to_string(count) + " targets, at most " + std::to_string(kMaxTargets);
        return false;
    }
    std::vector<Ipv4> targets;
    targets.reserve(count);
    for (const Interval& interval : intervals) {
        for (uint64_t ip = interval.first; ip <= interval.second; ++ip)
            targets.push_back(static_cast<Ipv4>(ip));
    }

    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());

    out.interface = args[0];
    out.waitMs = waitMs;
    out.targets = std::move(targets);
    out.named = std::move(named);
    return true;
}

} // namespace brenmoor::arphelper
