#include "tools/arpresponder/answerer.h"

#include <algorithm>
#include <utility>

namespace arpresponder {

Answerer::Answerer(std::vector<Ipv4> answers, std::chrono::milliseconds delay, const Mac& answerMac)
    : answers_(std::move(answers))
    , delay_(delay)
    , answerMac_(answerMac)
{
}

void Answerer::hear(const uint8_t* frame, size_t length, Clock::time_point now)
{
    const auto request = parseRequest(frame, length);
    if (!request || std::find(answers_.begin(), answers_.end(), request->targetIp) == answers_.end())
        return;
    queue_.push(now + delay_, PendingReply{*request, now});
}

std::vector<OutgoingReply> Answerer::due(Clock::time_point now)
{
    std::vector<OutgoingReply> out;
    for (const PendingReply& pending : queue_.takeDue(now)) {
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(now - pending.heard);
        out.push_back({buildReply(pending.request, answerMac_),
                       "answered " + ipv4Text(pending.request.targetIp) + " for " + ipv4Text(pending.request.senderIp)
                           + " as " + macText(answerMac_) + " after " + std::to_string(waited.count()) + " ms"});
    }
    return out;
}

} // namespace arpresponder
