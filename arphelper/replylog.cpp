#include "arphelper/replylog.h"

namespace brenmoor::arphelper {

ReplyLog::Verdict ReplyLog::add(const ArpReply& reply)
{
    const Pair pair{reply.sender, reply.senderMac};
    if (m_printed.count(pair) != 0 || m_droppedPairs.count(pair) != 0)
        return Verdict::Repeat;
    size_t& macs = m_macsPrinted[reply.sender];
    if (macs < kMaxMacsPerAddress && m_printed.size() < kMaxLines) {
        ++macs;
        m_printed.insert(pair);
        return Verdict::Print;
    }
    if (m_droppedPairs.size() < kMaxLines)
        m_droppedPairs.insert(pair);
    ++m_dropped;
    return Verdict::Dropped;
}

std::string replyLine(const ArpReply& reply, int64_t ms)
{
    return ipv4Text(reply.sender) + ' ' + macText(reply.senderMac) + ' ' + std::to_string(ms);
}

std::string doneLine(uint64_t requests, uint64_t dropped)
{
    return "done " + std::to_string(requests) + ' ' + std::to_string(dropped);
}

} // namespace brenmoor::arphelper
