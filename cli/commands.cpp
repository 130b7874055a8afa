#include "cli/commands.h"

#include "base/consoleline.h"
#include "core/addressassignment.h"
#include "core/arpfallback.h"
#include "core/changeverifier.h"
#include "core/conflicts.h"
#include "core/discoverysession.h"
#include "core/firewallhint.h"
#include "core/macaddress.h"
#include "core/networkplan.h"
#include "core/networkvalidation.h"
#include "net/netscanner.h"
#include "net/reversepathfilter.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <future>
#include <iostream>
#include <memory>
#include <sstream>
#include <thread>

using brenmoor::console::printErrorLine;

namespace {

// A second discovery request recovers replies lost in the first burst; the merge by MAC
// makes a repeat harmless.
constexpr std::chrono::milliseconds kSecondRequest{300};

// The endpoints of one run and the devices they heard, merged by the list's rule on this
// thread as the window's table merges them on its own.
struct Run
{
    explicit Run(const brenmoor::net::IfaddrsSource& interfaces)
        : session(interfaces)
    {
        session.start();
    }

    // Takes what the receive threads left in the inbox.
    void take()
    {
        DeviceInbox::Taken taken = session.inbox().take();
        if (taken.overflowed)
            printErrorLine(queueFullLine());
        for (const DeviceRecord& record : taken.records) {
            if (heard)
                heard(record); // before the merge, which keeps one record per MAC
            if (devices.add(record).firstRefusal)
                printErrorLine(tableFullLine());
        }
    }

    // Sends both requests and collects replies for `wait`, meanwhile sweeping every network
    // when `sweep` is set; returns what the sweep found in the neighbour table (nothing
    // without it). The sweep runs to its end even when it outlasts the wait.
    NeighbourMap discover(std::chrono::milliseconds wait, bool sweep)
    {
        const brenmoor::net::ReversePathDropWatch drops;
        std::future<SweepResult> swept;
        if (sweep) {
            ScanActions actions;
            actions.listed = [this] { return session.addressesHeard(); };
            actions.searchBegan = std::chrono::steady_clock::now();
            swept = std::async(std::launch::async, [this, actions] {
                // The replies that come at once are in by then: devices of a large network are
                // probed at their own addresses.
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                return sweepNetworks(session.interfaces(), actions, std::make_shared<const CancelToken>());
            });
        }
        const auto begin = std::chrono::steady_clock::now();
        session.sendDiscoveryRequests();
        // The replies are merged as they come, as the window's table takes them: the inbox
        // stays short under a burst, and little is left to do when the wait is over. A second
        // request, a moment after the first, recovers replies lost in the first burst.
        const auto end = begin + wait;
        bool askedAgain = false;
        for (auto now = std::chrono::steady_clock::now(); now < end; now = std::chrono::steady_clock::now()) {
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(end - now, std::chrono::milliseconds(50)));
            take();
            if (!askedAgain && std::chrono::steady_clock::now() - begin >= kSecondRequest) {
                session.sendDiscoveryRequests();
                askedAgain = true;
            }
        }
        const SweepResult result = swept.valid() ? swept.get() : SweepResult{};
        take();
        for (const std::string& line : firewallHintLines(result.swept, session.repliesByInterface()))
            printErrorLine(line);
        if (const auto line = arpFallbackLine(result.fallback))
            printErrorLine(*line);
        // Replies the kernel dropped never reach the endpoints: say so, and what lets them in.
        drops.report(session.interfaces());
        if (const size_t dropped = session.droppedReplies())
            printErrorLine(droppedRepliesLine(dropped, session.receiveBufferBytes()));
        return result.neighbours;
    }

    DiscoverySession session;
    DeviceList devices;
    // Sees every record taken, when set.
    std::function<void(const DeviceRecord&)> heard;
};

// One change to one device, and how it went.
struct Change
{
    PlanLine target;
    std::optional<ListedDevice> device; // as it answered before the change
    std::string result;
    bool ok = false;
};

std::string secondsText(std::chrono::milliseconds duration)
{
    return ChangeVerifier::secondsText(duration);
}

// How often a verification asks again: soon enough that a fleet is verified within a second
// of moving, seldom enough that a site of a thousand devices hardly notices.
constexpr std::chrono::milliseconds kVerifyRound{500};

// The name sent: the one asked for, cut as the panel cuts it, or else the device's own, as
// the panel shows it from the row.
std::string nameToSend(const std::optional<std::string>& asked, const ListedDevice& device)
{
    const QString name = asked ? QString::fromStdString(*asked) : device.record.name;
    const QString cut = firstCharacters(name, kNameCharacters);
    if (asked && cut != name)
        printErrorLine("Name cut to " + std::to_string(kNameCharacters) + " characters: " + cut.toStdString());
    return cut.toStdString();
}

bool sendChange(Run& run, Change& change)
{
    const DeviceRecord& record = change.device->record;
    const NetworkSettings settings{record.mac.toStdString(), change.target.ip, change.target.mask,
                                   change.target.gateway, nameToSend(change.target.name, *change.device)};
    if (!run.session.sendSettings(settings)) {
        change.result = "not sent: no interface could send it";
        return false;
    }
    printErrorLine("Sent to " + settings.mac + ": IP " + settings.ip + ", mask " + settings.mask + ", gateway "
                   + settings.gateway + ", name " + settings.name);
    change.result = "set";
    change.ok = true;
    return true;
}

// Searches again, twice a second, until every sent change answers from its new address or
// the time runs out; each change then says which, on its console line and in its result.
void verify(Run& run, std::vector<Change>& changes, std::chrono::milliseconds limit)
{
    run.take(); // what answered before the sends says nothing about them
    ChangeVerifier verifier(limit);
    const auto sent = std::chrono::steady_clock::now();
    for (const Change& change : changes)
        if (change.ok)
            verifier.expect(change.device->record.mac, change.target.ip, sent);
    std::map<QString, ChangeVerifier::Outcome> outcomes; // by normal MAC
    const auto settle = [&](ChangeVerifier::Outcome outcome) {
        printErrorLine(outcome.line);
        outcomes[normalMac(outcome.mac)] = std::move(outcome);
    };
    run.heard = [&](const DeviceRecord& record) {
        if (auto outcome = verifier.heard(record))
            settle(std::move(*outcome));
    };
    printErrorLine("Verifying for up to " + secondsText(limit));
    const auto deadline = sent + limit;
    while (verifier.waiting() && std::chrono::steady_clock::now() < deadline) {
        run.session.sendDiscoveryRequests();
        const auto round = std::min(deadline, std::chrono::steady_clock::now() + kVerifyRound);
        while (verifier.waiting() && std::chrono::steady_clock::now() < round) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            run.take();
        }
    }
    run.heard = nullptr;
    for (ChangeVerifier::Outcome& outcome : verifier.expire(deadline))
        settle(std::move(outcome));
    for (Change& change : changes) {
        if (!change.ok)
            continue;
        const auto found = outcomes.find(normalMac(change.device->record.mac));
        if (found != outcomes.end() && found->second.verified) {
            change.result = "verified";
            continue;
        }
        change.ok = false;
        std::string elsewhere;
        if (found != outcomes.end())
            for (const QString& ip : found->second.heardElsewhere)
                elsewhere += (elsewhere.empty() ? "" : ", ") + ip.toStdString();
        change.result = "not verified: " + (elsewhere.empty() ? "no answer within " + secondsText(limit)
                                                              : "still answers from " + elsewhere);
    }
}

// The endpoints, or nothing (after saying why) when another program holds their ports or no
// interface can send.
std::unique_ptr<Run> openSession(const brenmoor::net::IfaddrsSource& interfaces)
{
    if (const auto problem = DiscoverySession::portProblem()) {
        printErrorLine(*problem + ": nothing sent");
        return nullptr;
    }
    auto run = std::make_unique<Run>(interfaces);
    if (!run->session.ready()) {
        printErrorLine("No usable network interface: nothing sent");
        return nullptr;
    }
    return run;
}

void printProblems(const std::vector<PlanProblem>& problems)
{
    for (const PlanProblem& problem : problems)
        printErrorLine(problem.line > 0 ? "line " + std::to_string(problem.line) + ": " + problem.reason : problem.reason);
}

void printSummary(const std::vector<Change>& changes)
{
    // Every text here is a validated MAC, a canonical address or a record's escaped text.
    std::ostringstream out;
    size_t macWidth = 6, oldWidth = 6, newWidth = 6;
    const auto oldIp = [](const Change& c) { return c.device ? c.device->record.ip.toStdString() : std::string("-"); };
    for (const Change& change : changes) {
        macWidth = std::max(macWidth, change.target.mac.size());
        oldWidth = std::max(oldWidth, oldIp(change).size());
        newWidth = std::max(newWidth, change.target.ip.size());
    }
    const auto row = [&](const std::string& mac, const std::string& from, const std::string& to, const std::string& result) {
        out << mac << std::string(macWidth - mac.size() + 2, ' ') << from << std::string(oldWidth - from.size() + 2, ' ')
            << to << std::string(newWidth - to.size() + 2, ' ') << result << "\n";
    };
    row("DEVICE", "OLD IP", "NEW IP", "RESULT");
    for (const Change& change : changes)
        row(change.target.mac, oldIp(change), change.target.ip, change.result);
    std::cout << out.str() << std::flush;
}

// Sends the changes in order, one progress line each (a dry run only says what it would set;
// a device that did not answer within `wait` is sent nothing), verifies them when asked,
// prints the summary, and returns the exit status.
int sendAll(Run& run, std::vector<Change>& changes, bool dryRun, std::optional<std::chrono::milliseconds> verifyFor,
            std::chrono::milliseconds wait)
{
    const size_t total = changes.size();
    for (size_t i = 0; i < total; ++i) {
        Change& change = changes[i];
        const std::string progress = "[" + std::to_string(i + 1) + "/" + std::to_string(total) + "] " + change.target.mac;
        if (!change.device) {
            change.result = "not found: did not answer within " + secondsText(wait);
            printErrorLine(progress + ": " + change.result);
            continue;
        }
        if (dryRun) {
            change.result = "dry run: not sent";
            change.ok = true;
            printErrorLine(progress + ": would set " + change.target.ip);
            continue;
        }
        printErrorLine(progress + ": " + shownText(change.device->record.ip).toStdString() + " -> " + change.target.ip);
        sendChange(run, change);
    }
    if (verifyFor && !dryRun)
        verify(run, changes, *verifyFor);
    printSummary(changes);
    const bool allDone = std::all_of(changes.begin(), changes.end(), [](const Change& c) { return c.ok; });
    return allDone ? kExitDone : kExitFailed;
}

} // namespace

int runDiscover(const brenmoor::net::IfaddrsSource& interfaces, const DiscoverRequest& request)
{
    const auto opened = openSession(interfaces);
    if (!opened)
        return kExitFailed;
    Run& run = *opened;
    const NeighbourMap neighbours = run.discover(request.wait, request.sweep);
    // Devices answering from one address are conflicts with or without the sweep.
    std::vector<ArpProxy> proxies;
    markConflicts(run.devices, request.sweep ? &neighbours : nullptr, 0, &proxies);
    for (const ArpProxy& proxy : proxies)
        printErrorLine(proxyLine(proxy));
    const std::vector<ListedDevice> devices = run.devices.inIpOrder();
    std::cout << formatDevices(devices, request.format) << std::flush;
    printErrorLine(std::to_string(devices.size()) + (devices.size() == 1 ? " device" : " devices") + " answered");
    return devices.empty() ? kExitFailed : kExitDone;
}

int runSet(const brenmoor::net::IfaddrsSource& interfaces, const SetRequest& request)
{
    // Refused values go no further: nothing is sent, not even a discovery request.
    if (const auto problem = settingsProblem(request.mac, request.ip, request.mask, request.gateway, std::cerr)) {
        printErrorLine(*problem);
        return kExitRefused;
    }
    const PlanLine target{0, request.mac, canonicalAddress(request.ip), canonicalAddress(request.mask),
                          canonicalAddress(request.gateway), request.name};
    const auto opened = openSession(interfaces);
    if (!opened)
        return kExitFailed;
    Run& run = *opened;
    run.discover(request.wait, false);
    Change change{target, run.devices.find(QString::fromStdString(request.mac)), {}, false};
    if (!change.device) {
        printErrorLine("Device " + request.mac + " did not answer within " + secondsText(request.wait)
                       + ": nothing sent");
        return kExitFailed;
    }
    const std::vector<PlanProblem> inUse = addressesInUse({target}, run.devices, currentAddressUse(interfaces));
    if (!inUse.empty()) {
        printErrorLine(inUse.front().reason + ": nothing sent");
        return kExitRefused;
    }
    std::vector<Change> changes{change};
    if (sendChange(run, changes.front()) && request.verify)
        verify(run, changes, *request.verify);
    printSummary(changes);
    return changes.front().ok ? kExitDone : kExitFailed;
}

int runApply(const brenmoor::net::IfaddrsSource& interfaces, const ApplyRequest& request)
{
    std::ifstream file(request.planPath, std::ios::binary);
    if (!file) {
        printErrorLine("Cannot read the plan " + request.planPath);
        return kExitRefused;
    }
    std::ostringstream text;
    text << file.rdbuf();
    const ParsedPlan plan = parsePlan(text.str());
    if (!plan.problems.empty()) {
        printProblems(plan.problems);
        printErrorLine("Plan refused: nothing sent");
        return kExitRefused;
    }
    const auto opened = openSession(interfaces);
    if (!opened)
        return kExitFailed;
    Run& run = *opened;
    run.discover(request.wait, false);
    std::vector<PlanProblem> inUse = addressesInUse(plan.lines, run.devices, currentAddressUse(interfaces));
    if (!inUse.empty()) {
        for (PlanProblem& problem : inUse)
            problem.reason += ", which the plan does not move";
        printProblems(inUse);
        printErrorLine("Plan refused: nothing sent");
        return kExitRefused;
    }
    std::vector<Change> changes;
    for (const PlanLine& line : plan.lines)
        changes.push_back({line, run.devices.find(QString::fromStdString(line.mac)), {}, false});
    return sendAll(run, changes, request.dryRun, request.verify, request.wait);
}

namespace {

// The devices `request` chooses, in the list's order, with every MAC asked for that did not
// answer in `missing`. A MAC given twice is chosen twice, for the planner to refuse.
std::vector<AssignedDevice> chosenDevices(const DeviceList& list, const AssignRequest& request,
                                          std::vector<std::string>& missing)
{
    const std::vector<ListedDevice> listed = list.inIpOrder();
    std::vector<std::pair<size_t, AssignedDevice>> chosen; // place in the list, device
    const auto choose = [&](size_t place) {
        const DeviceRecord& r = listed[place].record;
        chosen.push_back({place, {r.mac, r.name, r.ip, {}}});
    };
    for (size_t place = 0; place < listed.size(); ++place) {
        if (request.all || (request.at && listed[place].record.ip.toStdString() == canonicalAddress(*request.at)))
            choose(place);
    }
    for (const std::string& mac : request.macs) {
        const auto found = std::find_if(listed.begin(), listed.end(), [&](const ListedDevice& device) {
            return isSameMac(device.record.mac, QString::fromStdString(mac));
        });
        if (found == listed.end())
            missing.push_back(mac);
        else
            choose(static_cast<size_t>(found - listed.begin()));
    }
    std::stable_sort(chosen.begin(), chosen.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<AssignedDevice> devices;
    for (auto& [place, device] : chosen)
        devices.push_back(std::move(device));
    return devices;
}

} // namespace

int runAssign(const brenmoor::net::IfaddrsSource& interfaces, const AssignRequest& request)
{
    // Values that can plan no range go no further: nothing is sent, not even a discovery request.
    std::optional<std::string> refused = assignmentValuesProblem(request.firstIp, request.mask, request.gateway);
    for (const std::string& mac : request.macs)
        if (!refused && !isMacText(mac))
            refused = "Invalid MAC address: " + mac;
    std::string formatMessage;
    if (!refused && request.at && !isValidIPFormat(*request.at, formatMessage))
        refused = "--at: " + formatMessage;
    if (refused) {
        printErrorLine(*refused + ": nothing sent");
        return kExitRefused;
    }
    const auto opened = openSession(interfaces);
    if (!opened)
        return kExitFailed;
    Run& run = *opened;
    // With the sweep: a host that answers ARP in the range, device or not, is passed over.
    run.discover(request.wait, true);
    std::vector<std::string> missing;
    const std::vector<AssignedDevice> chosen = chosenDevices(run.devices, request, missing);
    for (const std::string& mac : missing)
        printErrorLine("Device " + mac + " did not answer within " + secondsText(request.wait));
    if (!missing.empty() || chosen.empty()) {
        if (chosen.empty() && missing.empty())
            printErrorLine(request.at ? "No device answers from " + canonicalAddress(*request.at) : "No device answered");
        printErrorLine("Nothing sent");
        return kExitFailed;
    }
    const AssignmentPlan plan = planAssignment(chosen, request.firstIp, request.mask, request.gateway, run.devices,
                                               currentAddressUse(interfaces));
    if (!plan.ok()) {
        printErrorLine(*plan.problem);
        printErrorLine("Assignment refused: nothing sent");
        return kExitRefused;
    }
    std::vector<Change> changes;
    for (const AssignedDevice& device : plan.devices)
        changes.push_back({{0, shownText(device.mac).toStdString(), device.newIp, plan.mask, plan.gateway, std::nullopt},
                           run.devices.find(device.mac), {}, false});
    return sendAll(run, changes, request.dryRun, request.verify, request.wait);
}
