#include "core/changeverifier.h"

#include "core/macaddress.h"

#include <algorithm>
#include <sstream>

ChangeVerifier::ChangeVerifier(std::chrono::milliseconds limit)
    : timeLimit(limit)
{
}

void ChangeVerifier::expect(const QString& mac, const std::string& ip, Clock::time_point sent)
{
    changes.insert(normalMac(mac), Waiting{mac, ip, sent + timeLimit, sentCount++, {}});
}

std::optional<ChangeVerifier::Outcome> ChangeVerifier::heard(const DeviceRecord& record)
{
    if (changes.isEmpty())
        return std::nullopt;
    const auto found = changes.find(normalMac(record.mac));
    if (found == changes.end())
        return std::nullopt;
    Waiting& change = found.value();
    if (record.ip.toStdString() != change.ip) {
        // Still at its old address (not moved yet, or it ignored the command): said at the end.
        auto& elsewhere = change.heardElsewhere;
        elsewhere.erase(std::remove(elsewhere.begin(), elsewhere.end(), record.ip), elsewhere.end());
        elsewhere.push_back(record.ip);
        return std::nullopt;
    }
    Outcome outcome = settle(change, true);
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
        outcomes.push_back(settle(change, false));
    return outcomes;
}

ChangeVerifier::Outcome ChangeVerifier::settle(const Waiting& change, bool verified) const
{
    return {change.mac, change.ip, verified, verified ? std::vector<QString>{} : change.heardElsewhere,
            verified ? verifiedLine(change.mac, change.ip) : unansweredLine(change.mac, change.ip, timeLimit)};
}

std::string ChangeVerifier::verifiedLine(const QString& mac, const std::string& ip)
{
    return "[OK] " + shownText(mac).toStdString() + " answers at " + ip;
}

std::string ChangeVerifier::unansweredLine(const QString& mac, const std::string& ip, std::chrono::milliseconds limit)
{
    return "[WARNING] " + unansweredText(mac, ip, limit);
}

std::string ChangeVerifier::unansweredText(const QString& mac, const std::string& ip, std::chrono::milliseconds limit)
{
    return shownText(mac).toStdString() + " did not answer at " + ip + " within " + secondsText(limit);
}

std::string ChangeVerifier::secondsText(std::chrono::milliseconds duration)
{
    std::ostringstream text;
    text << static_cast<double>(duration.count()) / 1000.0 << " s";
    return text.str();
}
