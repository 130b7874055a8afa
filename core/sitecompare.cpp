#include "core/sitecompare.h"

#include "core/devicemaker.h"
#include "core/macaddress.h"
#include "core/networkvalidation.h"

#include <nlohmann/json.hpp>

namespace {

// Addresses compare as the values they are: "010.0.0.5" is 10.0.0.5.
bool sameAddress(const QString& a, const QString& b)
{
    return canonicalAddress(a.toStdString()) == canonicalAddress(b.toStdString());
}

// What a row of the record looked like, for "was": "10.0.0.5 255.255.255.0 10.0.0.1 Cam".
std::string wasText(const DeviceDifference& difference)
{
    const SiteDevice* was = difference.was;
    if (!was || difference.change == SiteChange::Unchanged || difference.change == SiteChange::New)
        return {};
    std::string text;
    if (difference.moved || difference.change == SiteChange::Missing)
        text = shownString(was->ip) + " " + shownString(was->mask) + " " + shownString(was->gateway);
    if (difference.renamed || difference.change == SiteChange::Missing)
        text += (text.empty() ? "" : " ") + std::string("\"") + shownString(was->name) + "\"";
    return text;
}

} // namespace

const char* siteChangeName(SiteChange change)
{
    switch (change) {
    case SiteChange::Unchanged:
        return "unchanged";
    case SiteChange::New:
        return "new";
    case SiteChange::Moved:
        return "moved";
    case SiteChange::Renamed:
        return "renamed";
    case SiteChange::Missing:
        return "missing";
    }
    return "unchanged";
}

SiteBaseline::SiteBaseline(SiteRecord record)
    : site(std::move(record))
{
    for (size_t i = 0; i < site.devices.size(); ++i)
        indexOfMac.insert(normalMac(site.devices[i].mac), i); // a MAC twice: the last one counts
}

DeviceDifference SiteBaseline::compare(const DeviceRecord& now) const
{
    DeviceDifference difference;
    const auto found = indexOfMac.constFind(normalMac(now.mac));
    if (found == indexOfMac.constEnd()) {
        difference.change = SiteChange::New;
        return difference;
    }
    const SiteDevice& was = site.devices[*found];
    difference.was = &was;
    difference.moved = !sameAddress(now.ip, was.ip) || !sameAddress(now.submask, was.mask)
                       || !sameAddress(now.gateway, was.gateway);
    difference.renamed = now.name != was.name;
    difference.change = difference.moved ? SiteChange::Moved : difference.renamed ? SiteChange::Renamed : SiteChange::Unchanged;
    return difference;
}

std::vector<const SiteDevice*> SiteBaseline::missing(const std::vector<ListedDevice>& now) const
{
    QHash<QString, bool> answered;
    for (const ListedDevice& device : now)
        answered.insert(normalMac(device.record.mac), true);
    std::vector<const SiteDevice*> gone;
    for (size_t i = 0; i < site.devices.size(); ++i) {
        const QString mac = normalMac(site.devices[i].mac);
        if (!answered.contains(mac) && indexOfMac.value(mac) == i)
            gone.push_back(&site.devices[i]);
    }
    return gone;
}

SiteComparison compareSite(const SiteBaseline& baseline, const std::vector<ListedDevice>& now)
{
    SiteComparison comparison;
    for (const ListedDevice& device : now) {
        const DeviceDifference difference = baseline.compare(device.record);
        comparison.devices.push_back({device, difference});
        switch (difference.change) {
        case SiteChange::New:
            ++comparison.added;
            break;
        case SiteChange::Unchanged:
            ++comparison.unchanged;
            break;
        default:
            ++comparison.changed;
            break;
        }
    }
    for (const SiteDevice* gone : baseline.missing(now)) {
        DeviceDifference difference;
        difference.change = SiteChange::Missing;
        difference.was = gone;
        comparison.devices.push_back({std::nullopt, difference});
        ++comparison.missing;
    }
    return comparison;
}

std::string comparisonSummary(const SiteComparison& comparison)
{
    return std::to_string(comparison.added) + " new, " + std::to_string(comparison.missing) + " missing, "
        + std::to_string(comparison.changed) + " changed, " + std::to_string(comparison.unchanged) + " unchanged";
}

std::string formatComparison(const SiteComparison& comparison, DeviceFormat format)
{
    if (format == DeviceFormat::Json) {
        nlohmann::ordered_json array = nlohmann::ordered_json::array();
        for (const ComparedDevice& compared : comparison.devices) {
            const DeviceDifference& difference = compared.difference;
            nlohmann::ordered_json entry;
            if (compared.now) {
                entry = nlohmann::ordered_json::parse(formatDevices({*compared.now}, DeviceFormat::Json))[0];
            } else {
                const SiteDevice& was = *difference.was;
                entry = {{"name", shownString(was.name)}, {"mac", shownString(was.mac)}, {"ip", nullptr}, {"submask", nullptr},
                         {"gateway", nullptr}, {"maker", was.maker}};
            }
            entry["change"] = siteChangeName(difference.change);
            if (difference.was && difference.change != SiteChange::Unchanged)
                entry["record"] = {{"name", shownString(difference.was->name)}, {"ip", shownString(difference.was->ip)},
                                   {"mask", shownString(difference.was->mask)}, {"gateway", shownString(difference.was->gateway)}};
            array.push_back(std::move(entry));
        }
        return array.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    }
    std::vector<std::vector<std::string>> rows;
    const bool csv = format == DeviceFormat::Csv;
    rows.push_back(csv ? std::vector<std::string>{"change", "name", "mac", "ip", "submask", "gateway", "maker", "record"}
                       : std::vector<std::string>{"CHANGE", "NAME", "MAC", "IP", "SUBMASK", "GATEWAY", "RECORD"});
    for (const ComparedDevice& compared : comparison.devices) {
        const DeviceDifference& difference = compared.difference;
        std::vector<std::string> row{siteChangeName(difference.change)};
        if (compared.now) {
            const DeviceRecord& r = compared.now->record;
            for (const QString* field : {&r.name, &r.mac, &r.ip, &r.submask, &r.gateway})
                row.push_back(shownString(*field));
        } else {
            row.insert(row.end(), {shownString(difference.was->name), shownString(difference.was->mac), "", "", ""});
        }
        if (csv)
            row.push_back(compared.now ? makerIfLoaded(compared.now->record.mac) : difference.was->maker);
        const std::string was = wasText(difference);
        row.push_back(csv || !was.empty() ? was : "-");
        rows.push_back(std::move(row));
    }
    return csv ? csvText(rows) : alignedText(rows);
}
