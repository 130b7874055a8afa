#include "core/deviceformat.h"

#include "core/devicemaker.h"
#include "core/networkvalidation.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <QVector>
#include <nlohmann/json.hpp>

namespace {

constexpr std::array<const char*, 9> kColumns = {"name", "mac", "ip", "submask", "gateway", "protocols", "conflict",
                                                 "conflict_mac", "maker"};
// What CSV and JSON add: where a change sent to the device stands, and what was sent.
constexpr std::array<const char*, 4> kChangeColumns = {"status", "planned_ip", "planned_mask", "planned_gateway"};

// The other MAC came from an ARP answer or from another device's reply: a device's text too.
std::string conflictMacText(const ListedDevice& device)
{
    return shownString(QString::fromStdString(device.conflictMac));
}

// The registry's text: no device wrote it, but it reaches the same terminals.
std::string makerText(const ListedDevice& device)
{
    return shownString(QString::fromStdString(makerIfLoaded(device.record.mac)));
}

std::array<std::string, 9> fieldsOf(const ListedDevice& device)
{
    const DeviceRecord& r = device.record;
    return {shownString(r.name),    shownString(r.mac),           shownString(r.ip),
            shownString(r.submask), shownString(r.gateway),       protocolsText(device),
            device.conflictMac.empty() ? "no" : "yes", conflictMacText(device), makerText(device)};
}

std::array<std::string, 4> changeFieldsOf(const ListedDevice& device)
{
    const ChangeState& change = device.change;
    return {statusName(change.status), change.ip, change.mask, change.gateway};
}

std::string json(const std::vector<ListedDevice>& devices)
{
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const ListedDevice& device : devices) {
        const DeviceRecord& r = device.record;
        array.push_back({{"name", shownString(r.name)},
                         {"mac", shownString(r.mac)},
                         {"ip", shownString(r.ip)},
                         {"submask", shownString(r.submask)},
                         {"gateway", shownString(r.gateway)},
                         {"protocols", protocolNames(device.json, device.kv)},
                         {"conflict", !device.conflictMac.empty()},
                         {"conflict_mac", device.conflictMac.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(conflictMacText(device))},
                         {"maker", makerText(device)}});
        const ChangeState& change = device.change;
        array.back()["status"] = statusName(change.status);
        const bool planned = change.status != ChangeStatus::Answered;
        const auto plannedValue = [planned](const std::string& value) {
            return planned ? nlohmann::ordered_json(value) : nlohmann::ordered_json();
        };
        array.back()["planned_ip"] = plannedValue(change.ip);
        array.back()["planned_mask"] = plannedValue(change.mask);
        array.back()["planned_gateway"] = plannedValue(change.gateway);
    }
    // The texts come from QString and are valid UTF-8; replacing is the belt to those braces.
    return array.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

// NetBox's bulk import of IP addresses: the address with its prefix length, a status, an
// empty DNS name, and the device's name and MAC as the description.
std::string netbox(const std::vector<ListedDevice>& devices)
{
    std::vector<std::vector<std::string>> rows{{"address", "status", "dns_name", "description"}};
    for (const ListedDevice& device : devices) {
        const DeviceRecord& r = device.record;
        std::string message;
        const std::string ip = canonicalAddress(r.ip.toStdString());
        if (!isValidIPFormat(ip, message))
            continue; // NetBox takes no such address; the other exports keep it
        int bits = 32;
        if (isValidIPFormat(r.submask.toStdString(), message) && isContiguousMask(ipToUInt32(r.submask.toStdString()))) {
            bits = 0;
            for (uint32_t mask = ipToUInt32(r.submask.toStdString()); mask & 0x80000000u; mask <<= 1)
                ++bits;
        }
        const std::string name = shownString(r.name);
        rows.push_back({ip + "/" + std::to_string(bits), "active", "",
                        (name.empty() ? std::string() : name + " ") + shownString(r.mac)});
    }
    return csvText(rows);
}

std::string csv(const std::vector<ListedDevice>& devices)
{
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header(kColumns.begin(), kColumns.end());
    header.insert(header.end(), kChangeColumns.begin(), kChangeColumns.end());
    rows.push_back(header);
    for (const ListedDevice& device : devices) {
        const auto fields = fieldsOf(device);
        const auto change = changeFieldsOf(device);
        std::vector<std::string> row(fields.begin(), fields.end());
        row.insert(row.end(), change.begin(), change.end());
        rows.push_back(std::move(row));
    }
    return csvText(rows);
}

std::string table(const std::vector<ListedDevice>& devices)
{
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header;
    for (const char* column : kColumns)
        header.push_back(QString::fromLatin1(column).toUpper().toStdString());
    rows.push_back(header);
    for (const ListedDevice& device : devices) {
        auto fields = fieldsOf(device);
        for (const size_t optional : {size_t(7), size_t(8)})
            if (fields[optional].empty())
                fields[optional] = "-";
        rows.emplace_back(fields.begin(), fields.end());
    }
    return alignedText(rows);
}

} // namespace

std::vector<std::string> protocolNames(bool json, bool kv)
{
    std::vector<std::string> names;
    if (json)
        names.push_back("json");
    if (kv)
        names.push_back("kv");
    return names;
}

std::string protocolsText(const ListedDevice& device)
{
    if (device.json && device.kv)
        return "json+kv";
    return device.json ? "json" : "kv";
}

std::string csvField(const std::string& text)
{
    // A spreadsheet runs a cell that begins like a formula: a device's name must stay text.
    const bool formulaLike = !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
    const std::string cell = formulaLike ? "'" + text : text;
    if (cell.find_first_of(",\"\r\n") == std::string::npos)
        return cell;
    std::string quoted = "\"";
    for (const char c : cell)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string alignedText(const std::vector<std::vector<std::string>>& rows)
{
    const auto width = [](const std::string& text) { return static_cast<int>(QString::fromStdString(text).toUcs4().size()); };
    std::vector<int> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], width(row[i]));
    }
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size())
                line += std::string(static_cast<size_t>(widths[i] - width(row[i]) + 2), ' ');
        }
        out += line + "\n";
    }
    return out;
}

std::string csvText(const std::vector<std::vector<std::string>>& rows)
{
    std::string out;
    for (const auto& row : rows) {
        for (size_t i = 0; i < row.size(); ++i)
            out += (i ? "," : "") + csvField(row[i]);
        out += "\n";
    }
    return out;
}

std::string formatDevices(const std::vector<ListedDevice>& devices, DeviceFormat format)
{
    switch (format) {
    case DeviceFormat::Json:
        return json(devices);
    case DeviceFormat::Csv:
        return csv(devices);
    case DeviceFormat::NetBoxCsv:
        return netbox(devices);
    case DeviceFormat::Table:
        break;
    }
    return table(devices);
}
