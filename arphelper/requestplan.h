#pragma once
// When each request goes out, on a clock that starts at the first request (microseconds).
// A first pass asks every target; from half the wait on (or when the first pass is through,
// if later) a second pass asks again those that have not answered, while it can finish well
// before the end. Nothing goes out at or after the end of the wait.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace brenmoor::arphelper {

// At most one request in this time: 5,000 a second, which any link and switch keeps up with.
constexpr int64_t kRequestGapUs = 200;
// The second pass stops this long before the end, so its late answers still arrive in time.
constexpr int64_t kSecondPassMarginUs = 50'000;

class RequestPlan
{
public:
    RequestPlan(size_t targets, int64_t waitUs);

    struct Due
    {
        size_t target; // an index into the targets
        int64_t at;
    };
    // The next request, or nothing when none is left. Targets marked in `answered` (indexed as
    // the targets) are passed over by the second pass.
    std::optional<Due> next(const std::vector<bool>& answered);
    // The request next() gave went out at `at`.
    void sent(int64_t at);

private:
    size_t m_targets;
    int64_t m_waitUs;
    size_t m_position = 0; // 0 .. 2 * m_targets: the first pass, then the second
    std::optional<int64_t> m_lastSent;
    int64_t m_secondPassStart = 0;
};

} // namespace brenmoor::arphelper
