#include "core/changeverifier.h"

#include "core/macaddress.h"
#include "core/networkvalidation.h"

#include <algorithm>
#include <sstream>

namespace {

// A device's text as an address, in the form the sent one has: "010.0.0.5" reports 10.0.0.5.
std::string reported(const QString& text)
{
    return canonicalAddress(text.toStdString());
}

} // namespace

ChangeVerifier::ChangeVerifier(std::chrono::milliseconds limit)
    : timeLimit(limit)
{
}

void ChangeVerifier::expect(const SentSettings& sent)
{
    changes.insert(normalMac(sent.mac), Waiting{sent, sent.sentAt + timeLimit, sentCount++, {}, {}, {}});
}

std::optional<ChangeVerifier::Outcome> ChangeVerifier::heard(const DeviceRecord& record)
{
    if (changes.isEmpty())
        return std::nullopt;
    const auto found = changes.find(normalMac(record.mac));
    if (found == changes.end())
        return std::nullopt;
    Waiting& change = found.value();
    // A reply that was on its way before the send tells nothing of the change.
    if (record.heardAt < change.sent.sentAt)
        return std::nullopt;
    change.last = record;
    if (reported(record.ip) != change.sent.ip) {
        // Not moved yet, or it ignored the command: said at the end.
        auto& elsewhere = change.heardElsewhere;
        elsewhere.erase(std::remove(elsewhere.begin(), elsewhere.end(), record.ip), elsewhere.end());
        elsewhere.push_back(record.ip);
        return std::nullopt;
    }
    if (reported(record.submask) != change.sent.mask || reported(record.gateway) != change.sent.gateway) {
        // At the address, but not (yet) with the rest: only the time limit judges it.
        change.atAddress = record;
        return std::nullopt;
    }
    Outcome outcome = settle(change, Proof::Proven);
    changes.erase(found);
    return outcome;
}

std::vector<ChangeVerifier::Outcome> ChangeVerifier::expire(Clock::time_point now)
{
    std::vector<Waiting> due;
    for (auto it = changes.begin(); it != changes.end();) {
        if (it->deadline <= now) {
            due.push_back(it.value());
            it = changes.erase(it);
        } else {
            ++it;
        }
    }
    std::sort(due.begin(), due.end(), [](const Waiting& a, const Waiting& b) { return a.order < b.order; });
    std::vector<Outcome> outcomes;
    for (const Waiting& change : due)
        outcomes.push_back(settle(change, change.atAddress ? Proof::Different : Proof::Unanswered));
    return outcomes;
}

ChangeVerifier::Outcome ChangeVerifier::settle(const Waiting& change, Proof proof) const
{
    Outcome outcome;
    outcome.sent = change.sent;
    outcome.proof = proof;
    switch (proof) {
    case Proof::Proven:
        outcome.answered = change.last;
        outcome.line = verifiedLine(change.sent.mac, change.sent.ip);
        break;
    case Proof::Different:
        outcome.answered = change.atAddress;
        outcome.heardElsewhere = change.heardElsewhere;
        outcome.line = differentLine(change.sent, *change.atAddress);
        break;
    case Proof::Unanswered:
        outcome.answered = change.last;
        outcome.heardElsewhere = change.heardElsewhere;
        outcome.line = unansweredLine(change.sent.mac, change.sent.ip, timeLimit);
        break;
    }
    return outcome;
}

std::string ChangeVerifier::verifiedLine(const QString& mac, const std::string& ip)
{
    return "[OK] " + shownString(mac) + " answers at " + ip;
}

std::string ChangeVerifier::unansweredLine(const QString& mac, const std::string& ip, std::chrono::milliseconds limit)
{
    return "[WARNING] " + shownString(mac) + " did not answer at " + ip + " within " + secondsText(limit);
}

std::string ChangeVerifier::differentLine(const SentSettings& sent, const DeviceRecord& answered)
{
    return "[WARNING] " + shownString(sent.mac) + " answers at " + sent.ip + " with mask " + shownString(answered.submask)
        + " gateway " + shownString(answered.gateway) + " instead of mask " + sent.mask + " gateway " + sent.gateway;
}

std::string ChangeVerifier::withoutLevel(const std::string& line)
{
    for (const char* level : {"[OK] ", "[WARNING] "}) {
        const std::string prefix(level);
        if (line.compare(0, prefix.size(), prefix) == 0)
            return line.substr(prefix.size());
    }
    return line;
}

std::string ChangeVerifier::secondsText(std::chrono::milliseconds duration)
{
    std::ostringstream text;
    text << static_cast<double>(duration.count()) / 1000.0 << " s";
    return text.str();
}
