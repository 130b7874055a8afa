#include "arphelper/requestplan.h"

#include <algorithm>

namespace brenmoor::arphelper {

RequestPlan::RequestPlan(size_t targets, int64_t waitUs)
    : m_targets(targets)
    , m_waitUs(waitUs)
{ }

std::optional<RequestPlan::Due> RequestPlan::next(const std::vector<bool>& answered)
{
    const int64_t paced = m_lastSent ? *m_lastSent + kRequestGapUs : 0;
    if (m_position < m_targets) {
        if (paced >= m_waitUs)
            return std::nullopt;
        return Due{m_position, paced};
    }
    while (m_position < 2 * m_targets && m_position - m_targets < answered.size() && answered[m_position - m_targets])
        ++m_position;
    if (m_position >= 2 * m_targets)
        return std::nullopt;
    const int64_t at = std::max(paced, m_secondPassStart);
    if (at + kRequestGapUs > m_waitUs - kSecondPassMarginUs)
        return std::nullopt;
    return Due{m_position - m_targets, at};
}

void RequestPlan::sent(int64_t at)
{
    m_lastSent = at;
    ++m_position;
    if (m_position == m_targets)
        m_secondPassStart = std::max(m_waitUs / 2, at + kRequestGapUs);
}

} // namespace brenmoor::arphelper
