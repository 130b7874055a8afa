#include "core/changerun.h"

#include "base/messages.h"
#include "core/devicelist.h"
#include "core/discoverysession.h"
#include "core/macaddress.h"
#include "core/networkvalidation.h"

#include <algorithm>
#include <set>

using brenmoor::messages::Level;
using brenmoor::messages::report;

namespace {

// Planning again around addresses that answered may pick addresses not asked yet; a network
// whose hosts keep appearing ends the run after this many asks.
constexpr int kMaxAskRounds = 4;
// The first question after the sends: a device that took its settings at once answers it.
constexpr std::chrono::milliseconds kFirstReask{200};

std::string lineLabel(const PlannedChange& change)
{
    return change.line > 0 ? "line " + std::to_string(change.line) + ": " : std::string();
}

// Why a change to `mac` may reach more than one device, or nothing.
std::optional<std::string> twinProblem(const QString& mac, const DeviceList& devices)
{
    const std::set<QString> addresses = devices.addressesOf(mac);
    if (addresses.size() < 2)
        return std::nullopt;
    std::string list;
    for (const QString& address : addresses)
        list += (list.empty() ? "" : " and ") + shownString(address);
    return shownString(mac) + " answers from " + list
        + " in this Search: two devices may share this MAC, and a change sent to it would reach both";
}

} // namespace

std::string resultName(ChangeOutcome::Result result)
{
    switch (result) {
    case ChangeOutcome::Result::Proven:
        return "proven";
    case ChangeOutcome::Result::Unproven:
        return "unproven";
    case ChangeOutcome::Result::NotSent:
        return "not-sent";
    case ChangeOutcome::Result::Sent:
        return "sent";
    case ChangeOutcome::Result::DryRun:
        return "dry-run";
    case ChangeOutcome::Result::NotFound:
        return "not-found";
    }
    return "not-sent";
}

ChangeRun::ChangeRun(Context runContext, Options runOptions, QObject* parent)
    : QObject(parent)
    , context(std::move(runContext))
    , options(runOptions)
    , verifier(runOptions.verify.value_or(kProofLimit))
    , answers([this](AddressAnswers found) { answered(std::move(found)); })
{
    reaskTimer.setInterval(kReaskInterval);
    connect(&reaskTimer, &QTimer::timeout, this, &ChangeRun::reask);
}

ChangeRun::~ChangeRun() = default;

void ChangeRun::start(std::vector<PlannedChange> changes)
{
    plannedChanges = std::move(changes);
    use = currentAddressUse(context.session->interfaces());
    std::vector<std::string> targets;
    for (const PlannedChange& change : plannedChanges)
        targets.push_back(change.ip);
    ask(targets);
}

void ChangeRun::startRange(RangePlanner planner)
{
    rangePlanner = std::move(planner);
    use = currentAddressUse(context.session->interfaces());
    const AssignmentPlan plan = rangePlanner(use);
    std::vector<std::string> targets;
    for (const AssignedDevice& device : plan.devices)
        if (!device.newIp.empty())
            targets.push_back(device.newIp);
    ask(targets);
}

void ChangeRun::ask(const std::vector<std::string>& addresses)
{
    phase = Phase::Asking;
    ++askRounds;
    std::vector<std::string> targets;
    for (const std::string& address : addresses) {
        if (std::find(askedAddresses.begin(), askedAddresses.end(), address) != askedAddresses.end())
            continue;
        askedAddresses.push_back(address);
        if (onHostNetwork(address, use.host))
            targets.push_back(address);
        else
            asked.unaskable.push_back(address);
    }
    if (targets.empty()) {
        answered({});
        return;
    }
    const bool started = context.workers->start(
        "address ask", [deliver = answers.deliverer(), session = context.session, scan = context.scan, targets,
                        cancel = context.workers->cancelToken()] {
            deliver(askAddresses(session->interfaces(), scan, targets, cancel));
        });
    if (!started) {
        phase = Phase::Done;
        emit refused({"The planned addresses could not be asked: nothing sent"});
        emit finished();
    }
}

void ChangeRun::answered(AddressAnswers found)
{
    if (phase != Phase::Asking)
        return;
    for (auto& [ip, macs] : found.answering)
        asked.answering[ip] = macs;
    for (auto& [ip, mac] : found.remembered)
        asked.remembered[ip] = mac;
    if (found.fallback)
        asked.fallback = found.fallback;
    use.now = asked;
    if (rangePlanner)
        checkRange();
    else
        checkFixed();
}

void ChangeRun::checkFixed()
{
    const DeviceList& devices = context.devices();
    std::vector<std::string> reasons;
    std::vector<std::string> warnings;
    std::vector<ChangeStep> stepList;
    std::set<QString> moving;
    for (const PlannedChange& change : plannedChanges) {
        const std::string current = canonicalAddress(change.device.ip.toStdString());
        stepList.push_back({change.device.mac, current, change.ip});
        if (current != change.ip)
            moving.insert(normalMac(change.device.mac));
    }
    order = orderChanges(stepList);
    if (!order.ring.empty()) {
        std::string ring;
        for (const size_t i : order.ring)
            ring += (ring.empty() ? "" : ", ") + shownString(plannedChanges[i].device.mac) + " to " + plannedChanges[i].ip;
        reasons.push_back("The changes wait on each other (" + ring
                          + "): each would take an address another still holds; give one of them a free address first");
    }
    const auto movesAway = [&moving](const QString& mac) { return moving.count(normalMac(mac)) > 0; };
    for (const PlannedChange& change : plannedChanges) {
        if (const auto twin = twinProblem(change.device.mac, devices)) {
            reasons.push_back(lineLabel(change) + *twin);
            continue;
        }
        const AddressVerdict verdict = judgeAddress(change.ip, change.device.mac, devices, use, movesAway);
        if (verdict.holder == AddressHolder::Holds)
            reasons.push_back(lineLabel(change) + verdict.reason);
        else if (verdict.holder == AddressHolder::Remembered)
            warnings.push_back(lineLabel(change) + verdict.reason);
    }
    if (!reasons.empty()) {
        phase = Phase::Done;
        emit refused(reasons);
        emit finished();
        return;
    }
    if (!warnings.empty() && !options.force) {
        phase = Phase::Done;
        emit needsForce(warnings);
        emit finished();
        return;
    }
    sendReady();
}

void ChangeRun::checkRange()
{
    const DeviceList& devices = context.devices();
    const AssignmentPlan plan = rangePlanner(use);
    if (!plan.ok()) {
        phase = Phase::Done;
        emit refused({*plan.problem});
        emit finished();
        return;
    }
    std::vector<std::string> reasons;
    for (const AssignedDevice& device : plan.devices)
        if (const auto twin = twinProblem(device.mac, devices))
            reasons.push_back(*twin);
    if (!reasons.empty()) {
        phase = Phase::Done;
        emit refused(reasons);
        emit finished();
        return;
    }
    std::vector<std::string> unasked;
    for (const AssignedDevice& device : plan.devices) {
        if (std::find(askedAddresses.begin(), askedAddresses.end(), device.newIp) == askedAddresses.end())
            unasked.push_back(device.newIp);
    }
    if (!unasked.empty()) {
        if (askRounds < kMaxAskRounds) {
            ask(unasked);
            return;
        }
        phase = Phase::Done;
        emit refused({"Hosts kept answering at the planned addresses: nothing sent; search again"});
        emit finished();
        return;
    }
    plannedChanges.clear();
    std::vector<ChangeStep> stepList;
    for (const AssignedDevice& device : plan.devices) {
        const std::optional<ListedDevice> listed = devices.find(device.mac);
        PlannedChange change;
        if (listed) {
            change.device = listed->record;
        } else {
            change.device.mac = device.mac;
            change.device.ip = device.currentIp;
            change.device.name = device.name;
        }
        change.ip = device.newIp;
        change.mask = plan.mask;
        change.gateway = plan.gateway;
        change.name = firstCharacters(change.device.name, kNameCharacters);
        stepList.push_back({change.device.mac, canonicalAddress(change.device.ip.toStdString()), change.ip});
        plannedChanges.push_back(std::move(change));
    }
    order = orderChanges(stepList);
    emit planned(plan);
    sendReady();
}

void ChangeRun::sendReady()
{
    if (phase != Phase::Sending) {
        phase = Phase::Sending;
        steps.assign(plannedChanges.size(), Step{});
        results.assign(plannedChanges.size(), ChangeOutcome{});
        for (size_t i = 0; i < plannedChanges.size(); ++i)
            results[i].change = plannedChanges[i];
        if (options.dryRun) {
            for (size_t i = 0; i < plannedChanges.size(); ++i)
                settle(i, {plannedChanges[i], ChangeOutcome::Result::DryRun, std::nullopt, "dry run: not sent"});
            finishIfDone();
            return;
        }
        // Through the ports the host has now.
        context.session->refresh();
        if (options.verify) {
            QTimer::singleShot(kFirstReask, this, &ChangeRun::reask);
            reaskTimer.start();
        }
    }
    for (bool progress = true; progress;) {
        progress = false;
        for (size_t i = 0; i < plannedChanges.size(); ++i) {
            if (steps[i].sent || steps[i].settled)
                continue;
            const std::vector<size_t>& waits = order.waitsFor[i];
            const auto stuck = std::find_if(waits.begin(), waits.end(), [&](size_t j) { return steps[j].settled && !steps[j].proven; });
            if (stuck != waits.end()) {
                settle(i, {plannedChanges[i], ChangeOutcome::Result::NotSent, std::nullopt,
                           "not sent: " + shownString(plannedChanges[*stuck].device.mac) + " still holds " + plannedChanges[i].ip});
                progress = true;
                continue;
            }
            if (std::any_of(waits.begin(), waits.end(), [&](size_t j) { return !steps[j].settled; }))
                continue;
            const PlannedChange& change = plannedChanges[i];
            const SentSettings sent{change.device.mac, change.ip, change.mask, change.gateway,
                                    std::chrono::steady_clock::now()};
            const NetworkSettings settings{change.device.mac.toStdString(), change.ip, change.mask, change.gateway,
                                           change.name.toStdString()};
            steps[i].sent = true;
            if (!context.session->sendSettings(settings)) {
                settle(i, {change, ChangeOutcome::Result::NotSent, std::nullopt, "not sent: no interface could send it"});
                progress = true;
                continue;
            }
            report(Level::Info,
                   "Sent to " + shownString(change.device.mac) + ": IP " + change.ip + ", mask " + change.mask
                       + ", gateway " + change.gateway + ", name " + shownString(change.name));
            emit changeSent(change);
            if (options.verify)
                verifier.expect(sent);
            else
                settle(i, {change, ChangeOutcome::Result::Sent, std::nullopt, "sent, not verified"});
        }
    }
    finishIfDone();
}

void ChangeRun::cancel()
{
    if (phase != Phase::Idle && phase != Phase::Asking)
        return;
    phase = Phase::Done;
    emit finished();
}

void ChangeRun::heard(const DeviceRecord& record)
{
    if (phase != Phase::Sending || !verifier.waiting())
        return;
    std::optional<ChangeVerifier::Outcome> proof = verifier.heard(record);
    if (!proof)
        return;
    const size_t index = indexOf(proof->sent.mac);
    if (index < plannedChanges.size()) {
        settle(index, {plannedChanges[index], ChangeOutcome::Result::Proven, proof, proof->line});
        sendReady();
    }
}

void ChangeRun::reask()
{
    if (phase != Phase::Sending)
        return;
    for (ChangeVerifier::Outcome& proof : verifier.expire(std::chrono::steady_clock::now())) {
        const size_t index = indexOf(proof.sent.mac);
        if (index >= plannedChanges.size())
            continue;
        std::string detail = ChangeVerifier::withoutLevel(proof.line);
        if (proof.proof == ChangeVerifier::Proof::Unanswered && !proof.heardElsewhere.empty())
            detail += "; it still answers at " + shownString(proof.heardElsewhere.back());
        settle(index, {plannedChanges[index], ChangeOutcome::Result::Unproven, std::move(proof), detail});
    }
    sendReady();
    if (phase == Phase::Sending && verifier.waiting())
        context.session->sendDiscoveryRequests();
}

void ChangeRun::settle(size_t index, ChangeOutcome outcome)
{
    if (steps[index].settled)
        return;
    steps[index].settled = true;
    steps[index].proven = outcome.result == ChangeOutcome::Result::Proven;
    if (outcome.proof)
        report(outcome.proof->proven() ? Level::Info : Level::Warning, outcome.proof->line);
    else if (outcome.result == ChangeOutcome::Result::NotSent)
        report(Level::Warning, "[WARNING] " + shownString(outcome.change.device.mac) + " " + outcome.detail);
    results[index] = outcome;
    emit changeSettled(results[index]);
}

void ChangeRun::finishIfDone()
{
    if (phase != Phase::Sending)
        return;
    if (std::all_of(steps.begin(), steps.end(), [](const Step& step) { return step.settled; })) {
        phase = Phase::Done;
        reaskTimer.stop();
        emit finished();
    }
}

std::vector<QString> ChangeRun::waitingFor() const
{
    std::vector<QString> macs;
    for (size_t i = 0; i < plannedChanges.size(); ++i) {
        const bool waits = i < order.waitsFor.size() && !order.waitsFor[i].empty();
        macs.push_back(waits ? plannedChanges[order.waitsFor[i].front()].device.mac : QString());
    }
    return macs;
}

size_t ChangeRun::indexOf(const QString& mac) const
{
    for (size_t i = 0; i < plannedChanges.size(); ++i)
        if (isSameMac(plannedChanges[i].device.mac, mac) && steps[i].sent && !steps[i].settled)
            return i;
    return plannedChanges.size();
}
