#pragma once
// One search run: what the window's Search and every brenmoor-cli command drive. It sends
// the discovery requests of both protocols and, a moment later, again (the second recovers
// replies lost in the first burst; the merge by MAC makes a repeat harmless), sweeps every
// network through the ARP helper or the kernel's table, says what the sweep could not see,
// and judges the list against the neighbour evidence as rows come in.

#include "base/workergroup.h"
#include "core/conflicts.h"
#include "core/workhandoff.h"
#include "net/netscanner.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class DeviceList;
class DiscoverySession;

// The repeat request: late enough that the first burst has been taken in.
constexpr std::chrono::milliseconds kSecondRequest{300};

class SearchRun : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        bool sweep = true;
        // The run is over no sooner than this after its first request (a command line that
        // waits for replies); the window's Search ends when its sweep is judged.
        std::chrono::milliseconds wait{0};
        // The console line when the ARP helper could not ask: once per window, not per Search.
        bool sayFallback = true;
    };

    SearchRun(std::shared_ptr<DiscoverySession> session, ScanActions scan, WorkerGroup& workers, Options options,
              QObject* parent = nullptr);

    // Begins a Search on the session (what came before belongs to the list just emptied),
    // with the ports the host has now, and sends the first requests.
    void start();
    bool finished() const { return done; }
    unsigned number() const { return searchNumber; }

    // Judges the rows of `list` not judged yet: against each other, and against the sweep's
    // neighbours once they are in. Prints each conflict's line and each proxy's (once, and
    // again when it answers for more); returns the rows newly marked (row ids).
    std::vector<Conflict> judge(DeviceList& list);
    // Neighbour evidence from elsewhere than this run's sweep (tests): judged as the sweep's.
    void takeEvidence(NeighbourMap evidence);
    // A device proven at `toIp` has left `fromIp`: the evidence follows it, and the rows still
    // at `fromIp` are judged again. Returns the rows whose mark went.
    std::vector<int> moved(DeviceList& list, const QString& mac, const QString& fromIp, const QString& toIp);
    bool swept() const { return neighbours.has_value(); }
    const std::optional<NeighbourMap>& evidence() const { return neighbours; }

    // What this Search could not see or had to leave out, one line each: the ARP helper's
    // fallback, the proxies named, the replies this computer dropped.
    std::vector<std::string> notes() const;
    const std::optional<ArpFallback>& fallback() const { return fallbackSeen; }

signals:
    void sweepDone(); // its neighbours are in: judge
    void finishedRun();

private:
    void sweepArrived(SweepResult result);
    void finishIfDone();

    std::shared_ptr<DiscoverySession> session;
    ScanActions scan;
    WorkerGroup& workers;
    Options options;
    unsigned searchNumber = 0;
    bool waited = false;
    bool done = false;
    std::optional<NeighbourMap> neighbours;
    int judgedRows = 0; // rows with a smaller row id have been judged against the neighbours
    std::vector<ArpProxy> proxies;
    std::optional<ArpFallback> fallbackSeen;
    mutable std::string dropLine;
    QTimer secondRequest;
    QTimer waitTimer;
    WorkHandoff<SweepResult> sweepResult;
};
