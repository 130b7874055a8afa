#include "core/searchrun.h"

#include "base/messages.h"
#include "core/arpfallback.h"
#include "core/devicelist.h"
#include "core/discoverysession.h"
#include "core/firewallhint.h"
#include "core/macaddress.h"
#include "core/replydrops.h"
#include "net/reversepathfilter.h"

#include <algorithm>
#include <memory>

using brenmoor::messages::Level;
using brenmoor::messages::report;

namespace {

// The replies that come at once are in by then: devices of a large network are probed at
// their own addresses.
constexpr std::chrono::milliseconds kSweepDelay{200};

} // namespace

SearchRun::SearchRun(std::shared_ptr<DiscoverySession> discovery, ScanActions actions, WorkerGroup& group,
                     Options runOptions, QObject* parent)
    : QObject(parent)
    , session(std::move(discovery))
    , scan(std::move(actions))
    , workers(group)
    , options(runOptions)
    , sweepResult([this](SweepResult result) { sweepArrived(std::move(result)); })
{
    secondRequest.setSingleShot(true);
    secondRequest.setInterval(kSecondRequest);
    connect(&secondRequest, &QTimer::timeout, this, [this] { session->sendDiscoveryRequests(); });
    waitTimer.setSingleShot(true);
    connect(&waitTimer, &QTimer::timeout, this, [this] {
        waited = true;
        finishIfDone();
    });
}

void SearchRun::start()
{
    searchNumber = session->beginSearch();
    // A port that came up since (a cable, a DHCP lease) is searched too, one that went away
    // is no longer sent through, and an endpoint whose port was held starts now.
    session->refresh();
    if (options.sweep) {
        // Replies the kernel drops never reach us: the count before and after the sweep is all
        // that tells.
        auto drops = std::make_shared<const brenmoor::net::ReversePathDropWatch>();
        ScanActions actions = scan;
        actions.searchBegan = std::chrono::steady_clock::now();
        actions.listed = [weak = std::weak_ptr<DiscoverySession>(session)] {
            const auto alive = weak.lock();
            return alive ? alive->addressesHeard() : std::vector<std::string>{};
        };
        const bool started = workers.start(
            "neighbour scan", [deliver = sweepResult.deliverer(), discovery = session, actions, drops,
                               cancel = workers.cancelToken()] {
                if (cancel->sleepFor(kSweepDelay))
                    return; // the front end is closing
                SweepResult result = sweepNetworks(discovery->interfaces(), actions, cancel);
                if (cancel->cancelled())
                    return;
                for (const std::string& line : firewallHintLines(result.swept, discovery->repliesByInterface()))
                    report(Level::Warning, line);
                drops->report(discovery->interfaces());
                deliver(std::move(result));
            });
        if (!started)
            neighbours = NeighbourMap{}; // judged against each other only
    }
    session->sendDiscoveryRequests();
    secondRequest.start();
    waited = options.wait.count() <= 0;
    if (!waited)
        waitTimer.start(static_cast<int>(options.wait.count()));
    if (!options.sweep || neighbours)
        QTimer::singleShot(0, this, [this] {
            if (!options.sweep)
                emit sweepDone();
            finishIfDone();
        });
}

void SearchRun::sweepArrived(SweepResult result)
{
    if (done)
        return;
    fallbackSeen = result.fallback;
    if (options.sayFallback)
        if (const auto line = arpFallbackLine(result.fallback))
            report(Level::Error, *line);
    neighbours = std::move(result.neighbours);
    judgedRows = 0;
    emit sweepDone();
    finishIfDone();
}

void SearchRun::finishIfDone()
{
    if (done || !waited || (options.sweep && !neighbours))
        return;
    done = true;
    emit finishedRun();
}

void SearchRun::takeEvidence(NeighbourMap evidence)
{
    neighbours = std::move(evidence);
    judgedRows = 0;
}

std::vector<Conflict> SearchRun::judge(DeviceList& list)
{
    std::vector<ArpProxy> found;
    std::vector<Conflict> marked = markConflicts(list, neighbours ? &*neighbours : nullptr, judgedRows, &found);
    for (ArpProxy& proxy : found) {
        const auto known = std::find_if(proxies.begin(), proxies.end(), [&](const ArpProxy& p) { return p.mac == proxy.mac; });
        if (known != proxies.end() && known->addresses == proxy.addresses)
            continue;
        report(Level::Warning, proxyLine(proxy)); // named once, and again when it answers for more
        if (known != proxies.end())
            *known = std::move(proxy);
        else
            proxies.push_back(std::move(proxy));
    }
    if (neighbours)
        judgedRows = list.size(); // row ids count the entries: every row so far is judged
    return marked;
}

std::vector<int> SearchRun::moved(DeviceList& list, const QString& mac, const QString& fromIp, const QString& toIp)
{
    if (neighbours) {
        NeighbourMap updated;
        for (const auto& [neighbourMac, ip] : *neighbours) {
            const bool left = isSameMac(QString::fromStdString(neighbourMac), mac) && ip == fromIp.toStdString();
            updated.emplace(neighbourMac, left ? toIp.toStdString() : ip);
        }
        neighbours = std::move(updated);
    }
    std::vector<int> cleared;
    const int row = list.rowOf(mac);
    if (row >= 0 && list.clearConflict(list.at(row).rowId))
        cleared.push_back(list.at(row).rowId);
    for (const int rowId : clearSettledConflicts(list, neighbours ? &*neighbours : nullptr, fromIp))
        cleared.push_back(rowId);
    return cleared;
}

std::vector<std::string> SearchRun::notes() const
{
    std::vector<std::string> lines;
    if (const auto line = arpFallbackLine(fallbackSeen))
        lines.push_back(*line);
    for (const ArpProxy& proxy : proxies)
        lines.push_back(proxyLine(proxy));
    const size_t dropped = session->droppedReplies();
    if (dropped > 0) {
        const std::string line = droppedRepliesLine(dropped, session->receiveBufferBytes());
        if (line != dropLine)
            report(Level::Error, line);
        dropLine = line;
    }
    if (!dropLine.empty())
        lines.push_back(dropLine);
    return lines;
}
