#pragma once
// The replies waiting for their time: a delayed answer must not hold up the requests that
// come in behind it, nor go out before the ones heard earlier with the same delay.

#include "tools/arpresponder/arpframe.h"

#include <chrono>
#include <cstddef>
#include <map>
#include <optional>
#include <vector>

namespace arpresponder {

using Clock = std::chrono::steady_clock;

struct PendingReply
{
    ArpRequest request;
    Clock::time_point heard;
};

class ReplyQueue
{
public:
    // A flood of requests under a long delay must not eat the lab host's memory: beyond this
    // many waiting, requests are dropped, as a busy host's would be.
    static constexpr size_t kCapacity = 65536;

    explicit ReplyQueue(size_t capacity = kCapacity)
        : capacity_(capacity)
    {
    }

    // False when the queue is full and the reply was dropped.
    bool push(Clock::time_point due, const PendingReply& reply);
    // The earliest due time, if any reply waits.
    std::optional<Clock::time_point> nextDue() const;
    // Every reply due at `now`, earliest first (those due together in the order pushed),
    // taken out of the queue.
    std::vector<PendingReply> takeDue(Clock::time_point now);
    size_t size() const { return waiting_.size(); }

private:
    size_t capacity_;
    // A multimap keeps equal keys in insertion order.
    std::multimap<Clock::time_point, PendingReply> waiting_;
};

} // namespace arpresponder
