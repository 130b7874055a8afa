#include "cli/commands.h"

#include "base/consoleline.h"
#include "base/workergroup.h"
#include "core/addressassignment.h"
#include "core/changeformat.h"
#include "core/changerun.h"
#include "core/devicemaker.h"
#include "core/discoverysession.h"
#include "core/guiwakeup.h"
#include "core/macaddress.h"
#include "core/networkplan.h"
#include "core/networkvalidation.h"
#include "core/searchrun.h"
#include "core/sitecompare.h"
#include "core/siterecord.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QSysInfo>
#include <algorithm>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

using brenmoor::console::printErrorLine;

namespace {

// The endpoints of one command and the devices they heard, merged by the list's rule as the
// window's table merges them; the runs of core do the searching and the changing.
class Session
{
public:
    explicit Session(const brenmoor::net::IfaddrsSource& interfaces)
        : discovery(std::make_shared<DiscoverySession>(interfaces, [this] { arrivals.wake(); }))
    {
        QObject::connect(&arrivals, &GuiWakeUp::woken, &arrivals, [this] { take(); });
        discovery->start();
    }
    ~Session()
    {
        workers.cancel();
        workers.waitIdle(std::chrono::milliseconds(2000));
        discovery->stop();
    }

    // Sends both requests (and the repeat), collects replies for `wait`, sweeps when asked,
    // and judges the list.
    void search(std::chrono::milliseconds wait, bool sweep)
    {
        SearchRun run(discovery, ScanActions(), workers, {sweep, wait, true});
        QEventLoop loop;
        QObject::connect(&run, &SearchRun::finishedRun, &loop, &QEventLoop::quit);
        run.start();
        loop.exec();
        take();
        run.judge(devices);
        run.notes(); // says the drops
    }

    // Runs `change` (started by `begin`) to its end.
    void runChange(ChangeRun& change, const std::function<void()>& begin)
    {
        QEventLoop loop;
        QObject::connect(&change, &ChangeRun::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        running = &change;
        begin();
        if (change.running())
            loop.exec();
        running = nullptr;
    }

    ChangeRun::Context changeContext()
    {
        return {discovery, ScanActions(), [this]() -> const DeviceList& { return devices; }, &workers};
    }

    bool ready() const { return discovery->ready(); }

    DeviceList devices;

private:
    // What the receive threads left in the inbox: every record to the change that waits for
    // its proof, then into the list.
    void take()
    {
        DeviceInbox::Taken taken = discovery->inbox().take();
        if (taken.overflowed)
            printErrorLine(queueFullLine());
        for (const DeviceRecord& record : taken.records) {
            if (running)
                running->heard(record);
            const DeviceList::Change change = devices.add(record);
            if (change.firstRefusal)
                printErrorLine(tableFullLine());
            if (change.newTwin)
                printErrorLine(DeviceList::twinLine(record.mac, devices.addressesOf(record.mac)));
        }
    }

    GuiWakeUp arrivals;
    WorkerGroup workers;
    std::shared_ptr<DiscoverySession> discovery;
    ChangeRun* running = nullptr;
};

std::string secondsText(std::chrono::milliseconds duration)
{
    return ChangeVerifier::secondsText(duration);
}

// The endpoints, or nothing (after saying why) when another program holds their ports or no
// interface can send.
std::unique_ptr<Session> openSession(const brenmoor::net::IfaddrsSource& interfaces)
{
    if (const auto problem = DiscoverySession::portProblem()) {
        printErrorLine(*problem + ": nothing sent");
        return nullptr;
    }
    auto session = std::make_unique<Session>(interfaces);
    if (!session->ready()) {
        printErrorLine("No usable network interface: nothing sent");
        return nullptr;
    }
    return session;
}

// The name sent: the one asked for, cut as the panel cuts it, or else the device's own, as
// the panel shows it from the row.
QString nameToSend(const std::optional<std::string>& asked, const DeviceRecord& device)
{
    const QString name = asked ? QString::fromStdString(*asked) : device.name;
    const QString cut = firstCharacters(name, kNameCharacters);
    if (asked && cut != name)
        printErrorLine("Name cut to " + std::to_string(kNameCharacters) + " characters: " + shownText(cut).toStdString());
    return cut;
}

// What a change run says as it goes: a progress line per send, the dry run's plan.
void narrate(ChangeRun& change)
{
    auto sent = std::make_shared<size_t>(0);
    QObject::connect(&change, &ChangeRun::changeSent, &change, [&change, sent](const PlannedChange& planned) {
        printErrorLine("[" + std::to_string(++*sent) + "/" + std::to_string(change.changes().size()) + "] "
                       + shownText(planned.device.mac).toStdString() + ": " + shownText(planned.device.ip).toStdString()
                       + " -> " + planned.ip);
    });
    QObject::connect(&change, &ChangeRun::changeSettled, &change, [](const ChangeOutcome& outcome) {
        if (outcome.result == ChangeOutcome::Result::DryRun)
            printErrorLine(shownText(outcome.change.device.mac).toStdString() + ": would set " + outcome.change.ip);
    });
}

// The verdict before anything was sent, when there is one: the refusal's reasons, or the
// addresses only remembered in use; then the exit status it makes.
struct Stopped
{
    std::vector<std::string> lines;
    bool stopped = false;
};

void watchStops(ChangeRun& change, Stopped& stop, const std::string& forceHint)
{
    QObject::connect(&change, &ChangeRun::refused, &change, [&stop](const std::vector<std::string>& reasons) {
        stop.lines = reasons;
        stop.stopped = true;
    });
    QObject::connect(&change, &ChangeRun::needsForce, &change, [&stop, forceHint](const std::vector<std::string>& warnings) {
        stop.lines = warnings;
        stop.lines.push_back(forceHint);
        stop.stopped = true;
    });
}

int summarize(const std::vector<ChangeOutcome>& outcomes, DeviceFormat format, std::chrono::milliseconds limit)
{
    std::cout << formatOutcomes(outcomes, format, limit) << std::flush;
    const bool allDone = std::all_of(outcomes.begin(), outcomes.end(), [](const ChangeOutcome& outcome) {
        using Result = ChangeOutcome::Result;
        return outcome.result == Result::Proven || outcome.result == Result::Sent || outcome.result == Result::DryRun;
    });
    return allDone ? kExitDone : kExitFailed;
}

} // namespace

int runDiscover(const brenmoor::net::IfaddrsSource& interfaces, const DiscoverRequest& request)
{
    // A record that cannot be read, or one that would be overwritten unasked, stops the
    // command before anything is sent.
    std::optional<SiteBaseline> baseline;
    if (request.compare) {
        SiteRecordRead read = readSiteRecord(QString::fromStdString(*request.compare));
        if (!read.record) {
            printErrorLine(read.problem);
            return kExitRefused;
        }
        baseline.emplace(std::move(*read.record));
    }
    if (request.save && !request.overwrite && QFileInfo::exists(QString::fromStdString(*request.save))) {
        printErrorLine(*request.save + ": exists; give --overwrite to replace it");
        return kExitRefused;
    }
    const auto opened = openSession(interfaces);
    if (!opened)
        return kExitFailed;
    Session& session = *opened;
    makerTable(); // read while the replies come in
    session.search(request.wait, request.sweep);
    const std::vector<ListedDevice> devices = session.devices.inIpOrder();
    if (request.save) {
        const std::string saved = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
        std::string problem;
        if (!writeSiteRecord(siteRecordOf(devices, saved, QSysInfo::machineHostName().toStdString()),
                             QString::fromStdString(*request.save), problem)) {
            printErrorLine(problem);
            return kExitFailed;
        }
        printErrorLine("Site record of " + std::to_string(devices.size()) + " devices saved to " + *request.save);
    }
    printErrorLine(std::to_string(devices.size()) + (devices.size() == 1 ? " device" : " devices") + " answered");
    if (baseline) {
        const SiteComparison comparison = compareSite(*baseline, devices);
        std::cout << formatComparison(comparison, request.format) << std::flush;
        printErrorLine("Compared with " + *request.compare + ": " + comparisonSummary(comparison));
        return comparison.matches() ? kExitDone : kExitDiffers;
    }
    std::cout << formatDevices(devices, request.format) << std::flush;
    return devices.empty() ? kExitFailed : kExitDone;
}

int runSet(const brenmoor::net::IfaddrsSource& interfaces, const SetRequest& request)
{
    // Refused values go no further: nothing is sent, not even a discovery request.
    if (const auto problem = settingsProblem(request.mac, request.ip, request.mask, request.gateway, std::cerr)) {
        printErrorLine(*problem);
        return kExitRefused;
    }
    const auto opened = openSession(interfaces);
    if (!opened)
        return kExitFailed;
    Session& session = *opened;
    session.search(request.wait, false);
    const std::optional<ListedDevice> device = session.devices.find(QString::fromStdString(request.mac));
    if (!device) {
        printErrorLine("Device " + request.mac + " did not answer within " + secondsText(request.wait) + ": nothing sent");
        return kExitFailed;
    }
    PlannedChange planned{device->record, canonicalAddress(request.ip), canonicalAddress(request.mask),
                          canonicalAddress(request.gateway), nameToSend(request.name, device->record), 0};
    ChangeRun change(session.changeContext(), {request.force, false, request.verify});
    Stopped stop;
    watchStops(change, stop, "Run again with --force to send anyway: nothing sent");
    narrate(change);
    session.runChange(change, [&] { change.start({planned}); });
    if (stop.stopped) {
        for (const std::string& line : stop.lines)
            printErrorLine(line);
        if (!stop.lines.empty() && stop.lines.back().rfind("Run again", 0) != 0)
            printErrorLine("Nothing sent");
        return kExitRefused;
    }
    return summarize(change.outcomes(), request.format, request.verify.value_or(kDefaultVerify));
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
        for (const PlanProblem& problem : plan.problems)
            printErrorLine(problem.line > 0 ? "line " + std::to_string(problem.line) + ": " + problem.reason : problem.reason);
        printErrorLine("Plan refused: nothing sent");
        return kExitRefused;
    }
    const auto opened = openSession(interfaces);
    if (!opened)
        return kExitFailed;
    Session& session = *opened;
    session.search(request.wait, false);
    // A device that did not answer is sent nothing; the others go ahead.
    std::vector<PlannedChange> found;
    std::vector<ChangeOutcome> missing;
    for (const PlanLine& line : plan.lines) {
        const std::optional<ListedDevice> device = session.devices.find(QString::fromStdString(line.mac));
        PlannedChange planned;
        planned.ip = line.ip;
        planned.mask = line.mask;
        planned.gateway = line.gateway;
        planned.line = line.number;
        if (!device) {
            planned.device.mac = QString::fromStdString(line.mac);
            missing.push_back({planned, ChangeOutcome::Result::NotFound, std::nullopt, {}});
            printErrorLine("line " + std::to_string(line.number) + ": " + line.mac + " did not answer within "
                           + secondsText(request.wait) + ": nothing sent to it");
            continue;
        }
        planned.device = device->record;
        planned.name = nameToSend(line.name, device->record);
        found.push_back(std::move(planned));
    }
    ChangeRun change(session.changeContext(), {request.force, request.dryRun, request.verify});
    Stopped stop;
    watchStops(change, stop, "Run again with --force to send anyway: plan refused, nothing sent");
    narrate(change);
    if (!found.empty())
        session.runChange(change, [&] { change.start(found); });
    if (stop.stopped) {
        for (const std::string& line : stop.lines)
            printErrorLine(line);
        if (!stop.lines.empty() && stop.lines.back().rfind("Run again", 0) != 0)
            printErrorLine("Plan refused: nothing sent");
        return kExitRefused;
    }
    // The summary in the plan's order.
    std::vector<ChangeOutcome> outcomes = change.outcomes();
    outcomes.insert(outcomes.end(), missing.begin(), missing.end());
    std::stable_sort(outcomes.begin(), outcomes.end(),
                     [](const ChangeOutcome& a, const ChangeOutcome& b) { return a.change.line < b.change.line; });
    return summarize(outcomes, request.format, request.verify.value_or(kDefaultVerify));
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
    Session& session = *opened;
    // With the sweep: a host that answers ARP in the range, device or not, is passed over.
    session.search(request.wait, true);
    std::vector<std::string> missing;
    const std::vector<AssignedDevice> chosen = chosenDevices(session.devices, request, missing);
    for (const std::string& mac : missing)
        printErrorLine("Device " + mac + " did not answer within " + secondsText(request.wait));
    if (!missing.empty() || chosen.empty()) {
        if (chosen.empty() && missing.empty())
            printErrorLine(request.at ? "No device answers from " + canonicalAddress(*request.at) : "No device answered");
        printErrorLine("Nothing sent");
        return kExitFailed;
    }
    ChangeRun change(session.changeContext(), {false, request.dryRun, request.verify});
    Stopped stop;
    watchStops(change, stop, "Assignment refused: nothing sent");
    narrate(change);
    QObject::connect(&change, &ChangeRun::planned, &change, [](const AssignmentPlan& plan) {
        if (plan.note)
            printErrorLine(*plan.note);
        for (const PassedOver& passed : plan.passedOver)
            printErrorLine("Passed over " + passed.ip + ": " + passed.reason);
    });
    session.runChange(change, [&] {
        change.startRange([&](const AddressUse& use) {
            return planAssignment(chosen, request.firstIp, request.mask, request.gateway, session.devices, use);
        });
    });
    if (stop.stopped) {
        for (const std::string& line : stop.lines)
            printErrorLine(line);
        if (!stop.lines.empty() && stop.lines.back() != "Assignment refused: nothing sent")
            printErrorLine("Assignment refused: nothing sent");
        return kExitRefused;
    }
    return summarize(change.outcomes(), request.format, request.verify);
}
