#pragma once
// What goes to standard output: one line for each (address, MAC) pair the first time it is
// heard, within bounds that hold against a host flooding replies, and the closing count.

#include "arphelper/arpframe.h"
#include "arphelper/ipv4.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

namespace brenmoor::arphelper {

constexpr size_t kMaxMacsPerAddress = 8;
constexpr size_t kMaxLines = 16384;

class ReplyLog
{
public:
    enum class Verdict
    {
        Print, // a pair not heard before: its line goes out
        Repeat, // heard before, printed or counted: nothing to do
        Dropped, // a new pair past a bound: counted, not printed
    };
    Verdict add(const ArpReply& reply);
    // The pairs not printed. Each is counted once while the log remembers kMaxLines of them;
    // past that a flood's repeats may count again, so the figure only grows with the flood.
    uint64_t dropped() const { return m_dropped; }

private:
    using Pair = std::pair<Ipv4, Mac>;
    std::set<Pair> m_printed;
    std::map<Ipv4, size_t> m_macsPrinted;
    std::set<Pair> m_droppedPairs;
    uint64_t m_dropped = 0;
};

// "192.168.50.21 02:00:5e:50:00:21 3": address, MAC, whole milliseconds since the first request.
std::string replyLine(const ArpReply& reply, int64_t ms);
// "done 254 0": requests sent, pairs not printed.
std::string doneLine(uint64_t requests, uint64_t dropped);

} // namespace brenmoor::arphelper
