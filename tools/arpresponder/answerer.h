#pragma once
// What the responder does with the frames it hears, apart from the socket: which requests it
// answers, when, with which frame, and the line that reports each reply.

#include "tools/arpresponder/arpframe.h"
#include "tools/arpresponder/options.h"
#include "tools/arpresponder/replyqueue.h"

#include <string>
#include <vector>

namespace arpresponder {

struct OutgoingReply
{
    std::vector<uint8_t> frame;
    // "answered IP for REQUESTER_IP as MAC after MS ms"
    std::string line;
};

class Answerer
{
public:
    // Answers for `answers`, `delay` after each request, as `answerMac`.
    Answerer(std::vector<Ipv4> answers, std::chrono::milliseconds delay, const Mac& answerMac);

    // A frame that reached the interface at `now`: a request for an answered address is
    // queued for its reply; anything else is passed over.
    void hear(const uint8_t* frame, size_t length, Clock::time_point now);
    std::optional<Clock::time_point> nextDue() const { return queue_.nextDue(); }
    // The replies due at `now`, to send at once; their lines count the time from each request
    // to `now`.
    std::vector<OutgoingReply> due(Clock::time_point now);

private:
    std::vector<Ipv4> answers_;
    std::chrono::milliseconds delay_;
    Mac answerMac_;
    ReplyQueue queue_;
};

} // namespace arpresponder
