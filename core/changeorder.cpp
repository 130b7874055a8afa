#include "core/changeorder.h"

#include "core/macaddress.h"

#include <algorithm>
#include <functional>
#include <map>

ChangeOrder orderChanges(const std::vector<ChangeStep>& steps)
{
    ChangeOrder order;
    order.waitsFor.resize(steps.size());
    std::multimap<std::string, size_t> leaving; // present address -> the steps that leave it
    for (size_t i = 0; i < steps.size(); ++i) {
        if (steps[i].currentIp != steps[i].targetIp)
            leaving.emplace(steps[i].currentIp, i);
    }
    for (size_t i = 0; i < steps.size(); ++i) {
        const auto [from, to] = leaving.equal_range(steps[i].targetIp);
        for (auto it = from; it != to; ++it) {
            if (it->second != i && !isSameMac(steps[it->second].mac, steps[i].mac))
                order.waitsFor[i].push_back(it->second);
        }
    }
    // A ring makes every step in it wait for ever: found by a depth-first walk.
    enum class Mark { New, Walking, Done };
    std::vector<Mark> marks(steps.size(), Mark::New);
    std::vector<size_t> path;
    const std::function<bool(size_t)> walk = [&](size_t step) {
        marks[step] = Mark::Walking;
        path.push_back(step);
        for (const size_t next : order.waitsFor[step]) {
            if (marks[next] == Mark::Walking) {
                const auto start = std::find(path.begin(), path.end(), next);
                order.ring.assign(start, path.end());
                return true;
            }
            if (marks[next] == Mark::New && walk(next))
                return true;
        }
        path.pop_back();
        marks[step] = Mark::Done;
        return false;
    };
    for (size_t i = 0; i < steps.size() && order.ring.empty(); ++i) {
        if (marks[i] == Mark::New)
            walk(i);
    }
    return order;
}
