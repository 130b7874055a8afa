#include "core/networkplan.h"

#include "core/macaddress.h"
#include "core/networkvalidation.h"

#include <QString>
#include <algorithm>
#include <map>
#include <sstream>
#include <string_view>

namespace {

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> fieldsOf(const std::string& line)
{
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, ','))
        fields.push_back(trimmed(field));
    if (!line.empty() && line.back() == ',')
        fields.emplace_back();
    return fields;
}

bool isHeader(const std::vector<std::string>& fields)
{
    return !fields.empty() && QString::fromStdString(fields[0]).compare(QStringLiteral("MAC"), Qt::CaseInsensitive) == 0;
}

QString macKey(const std::string& mac)
{
    return normalMac(QString::fromStdString(mac));
}

} // namespace

std::optional<std::string> settingsProblem(const std::string& mac, const std::string& ip, const std::string& mask,
                                           const std::string& gateway, std::ostream& report)
{
    if (!isMacText(mac))
        return "Invalid MAC address: " + mac;
    std::string error;
    if (!checkNetworkConfig(ip, mask, gateway, error, report))
        return error;
    return std::nullopt;
}

ParsedPlan parsePlan(const std::string& text)
{
    ParsedPlan plan;
    // A spreadsheet's "CSV UTF-8" export starts with a byte order mark.
    const std::string_view bom = "\xEF\xBB\xBF";
    std::stringstream in(text.compare(0, bom.size(), bom) == 0 ? text.substr(bom.size()) : text);
    std::string raw;
    std::map<QString, int> macLines;
    std::map<std::string, int> ipLines;
    bool first = true;
    for (int number = 1; std::getline(in, raw); ++number) {
        const std::string line = trimmed(raw);
        if (line.empty() || line[0] == '#')
            continue;
        const std::vector<std::string> fields = fieldsOf(line);
        if (std::exchange(first, false) && isHeader(fields))
            continue;
        if (fields.size() < 4 || fields.size() > 5) {
            plan.problems.push_back({number, "expected MAC,IP,MASK,GATEWAY[,NAME], found " + std::to_string(fields.size())
                                                 + (fields.size() == 1 ? " field" : " fields")});
            continue;
        }
        std::ostringstream ignored;
        if (const auto problem = settingsProblem(fields[0], fields[1], fields[2], fields[3], ignored)) {
            plan.problems.push_back({number, *problem});
            continue;
        }
        PlanLine entry{number, fields[0], canonicalAddress(fields[1]), canonicalAddress(fields[2]),
                       canonicalAddress(fields[3]), std::nullopt};
        if (fields.size() == 5 && !fields[4].empty())
            entry.name = fields[4];
        const auto sameMac = macLines.emplace(macKey(entry.mac), number);
        const auto sameIp = ipLines.emplace(entry.ip, number);
        if (!sameMac.second) {
            plan.problems.push_back({number, "MAC " + entry.mac + " is already on line " + std::to_string(sameMac.first->second)});
            continue;
        }
        if (!sameIp.second) {
            plan.problems.push_back({number, "IP address " + entry.ip + " is already on line " + std::to_string(sameIp.first->second)});
            continue;
        }
        plan.lines.push_back(std::move(entry));
    }
    if (plan.lines.empty() && plan.problems.empty())
        plan.problems.push_back({0, "the plan holds no device"});
    return plan;
}

