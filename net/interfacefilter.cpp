#include "net/interfacefilter.h"

#include <algorithm>
#include <ifaddrs.h>
#include <list>
#include <memory>
#include <mutex>
#include <sys/socket.h>

namespace brenmoor::net {

namespace {

// One acquired list: the base's own, which only the base may release, and shallow copies of
// the entries kept, linked to each other. Their pointers lead into the base's list.
struct FilteredList
{
    ifaddrs* original = nullptr;
    std::vector<ifaddrs> kept;
    ifaddrs* head() { return kept.data(); }
};

struct FilterState
{
    const IfaddrsSource* base;
    std::vector<std::string> names;
    std::mutex lock; // the endpoints and the sweep acquire from their own threads
    std::list<FilteredList> lists;

    bool named(const char* name) const
    {
        return name && std::find(names.begin(), names.end(), name) != names.end();
    }
};

} // namespace

IfaddrsSource onlyNamedInterfaces(const IfaddrsSource& base, std::vector<std::string> names)
{
    auto state = std::make_shared<FilterState>();
    state->base = &base;
    state->names = std::move(names);
    IfaddrsSource filtered;
    filtered.acquire = [state](ifaddrs** out) {
        ifaddrs* original = nullptr;
        if (!state->base->acquire || state->base->acquire(&original) == -1)
            return -1;
        FilteredList list;
        list.original = original;
        for (const ifaddrs* it = original; it; it = it->ifa_next)
            if (state->named(it->ifa_name))
                list.kept.push_back(*it);
        if (list.kept.empty()) {
            // Nothing to hand out: the base's list goes back at once, as no release follows.
            if (state->base->release)
                state->base->release(original);
            *out = nullptr;
            return 0;
        }
        for (size_t i = 0; i < list.kept.size(); ++i)
            list.kept[i].ifa_next = i + 1 < list.kept.size() ? &list.kept[i + 1] : nullptr;
        std::lock_guard<std::mutex> guard(state->lock);
        state->lists.push_back(std::move(list)); // a moved vector keeps its buffer: the links hold
        *out = state->lists.back().head();
        return 0;
    };
    filtered.release = [state](ifaddrs* head) {
        ifaddrs* original = nullptr;
        {
            std::lock_guard<std::mutex> guard(state->lock);
            const auto found = std::find_if(state->lists.begin(), state->lists.end(),
                                            [head](FilteredList& list) { return list.head() == head; });
            if (found == state->lists.end())
                return;
            original = found->original;
            state->lists.erase(found);
        }
        if (state->base->release)
            state->base->release(original);
    };
    return filtered;
}

std::vector<std::string> namesWithoutIpv4(const IfaddrsSource& source, const std::vector<std::string>& names)
{
    std::vector<std::string> missing;
    IfaddrsList list(source);
    for (const std::string& name : names) {
        bool found = false;
        for (const ifaddrs* it = list.head(); it && !found; it = it->ifa_next)
            found = it->ifa_name && name == it->ifa_name && it->ifa_addr && it->ifa_addr->sa_family == AF_INET;
        if (!found)
            missing.push_back(name);
    }
    return missing;
}

} // namespace brenmoor::net
