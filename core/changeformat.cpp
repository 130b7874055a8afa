#include "core/changeformat.h"

#include <nlohmann/json.hpp>

namespace {

std::string oldIp(const ChangeOutcome& outcome)
{
    const QString& ip = outcome.change.device.ip;
    return ip.isEmpty() ? std::string("-") : shownString(ip);
}

} // namespace

std::string resultText(const ChangeOutcome& outcome, std::chrono::milliseconds limit)
{
    using Result = ChangeOutcome::Result;
    switch (outcome.result) {
    case Result::Proven:
        return "verified";
    case Result::Sent:
        return "set";
    case Result::DryRun:
        return "dry run: not sent";
    case Result::NotFound:
        return "not found: did not answer within " + ChangeVerifier::secondsText(limit);
    case Result::NotSent:
        return outcome.detail;
    case Result::Unproven:
        break;
    }
    const auto& proof = outcome.proof;
    if (proof && proof->proof == ChangeVerifier::Proof::Different && proof->answered)
        return "not verified: answers with mask " + shownString(proof->answered->submask) + " gateway "
            + shownString(proof->answered->gateway);
    if (proof && !proof->heardElsewhere.empty()) {
        std::string elsewhere;
        for (const QString& ip : proof->heardElsewhere)
            elsewhere += (elsewhere.empty() ? "" : ", ") + shownString(ip);
        return "not verified: still answers from " + elsewhere;
    }
    return "not verified: no answer within " + ChangeVerifier::secondsText(limit);
}

std::string formatOutcomes(const std::vector<ChangeOutcome>& outcomes, DeviceFormat format, std::chrono::milliseconds limit)
{
    if (format == DeviceFormat::Json) {
        nlohmann::ordered_json array = nlohmann::ordered_json::array();
        for (const ChangeOutcome& outcome : outcomes) {
            const PlannedChange& change = outcome.change;
            array.push_back({{"mac", shownString(change.device.mac)},
                             {"name", shownString(change.device.name)},
                             {"old_ip", change.device.ip.isEmpty() ? nlohmann::ordered_json() : nlohmann::ordered_json(shownString(change.device.ip))},
                             {"new_ip", change.ip},
                             {"mask", change.mask},
                             {"gateway", change.gateway},
                             {"outcome", resultName(outcome.result)},
                             {"detail", resultText(outcome, limit)}});
        }
        return array.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    }
    std::vector<std::vector<std::string>> rows;
    if (format == DeviceFormat::Csv) {
        rows.push_back({"mac", "name", "old_ip", "new_ip", "mask", "gateway", "outcome", "detail"});
        for (const ChangeOutcome& outcome : outcomes) {
            const PlannedChange& change = outcome.change;
            rows.push_back({shownString(change.device.mac), shownString(change.device.name), change.device.ip.isEmpty() ? "" : oldIp(outcome),
                            change.ip, change.mask, change.gateway, resultName(outcome.result), resultText(outcome, limit)});
        }
        return csvText(rows);
    }
    rows.push_back({"DEVICE", "OLD IP", "NEW IP", "RESULT"});
    for (const ChangeOutcome& outcome : outcomes)
        rows.push_back({shownString(outcome.change.device.mac), oldIp(outcome), outcome.change.ip, resultText(outcome, limit)});
    return alignedText(rows);
}
