#include "tools/arpresponder/replyqueue.h"

namespace arpresponder {

bool ReplyQueue::push(Clock::time_point due, const PendingReply& reply)
{
    if (waiting_.size() >= capacity_)
        return false;
    waiting_.emplace(due, reply);
    return true;
}

std::optional<Clock::time_point> ReplyQueue::nextDue() const
{
    if (waiting_.empty())
        return std::nullopt;
    return waiting_.begin()->first;
}

std::vector<PendingReply> ReplyQueue::takeDue(Clock::time_point now)
{
    std::vector<PendingReply> due;
    auto end = waiting_.upper_bound(now);
    for (auto it = waiting_.begin(); it != end; ++it)
        due.push_back(it->second);
    waiting_.erase(waiting_.begin(), end);
    return due;
}

} // namespace arpresponder
