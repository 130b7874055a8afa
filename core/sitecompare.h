#pragma once
// What changed since a site's record: each device that answers now is new (its MAC is not in
// the record), moved (another IP, mask or gateway), renamed, or unchanged; each device of the
// record that did not answer is missing. Devices are matched by MAC, in any of its forms.

#include "core/deviceformat.h"
#include "core/siterecord.h"

#include <QHash>
#include <string>
#include <vector>

enum class SiteChange { Unchanged, New, Moved, Renamed, Missing };
// "unchanged", "new", "moved", "renamed", "missing".
const char* siteChangeName(SiteChange change);

struct DeviceDifference
{
    SiteChange change = SiteChange::Unchanged; // moved wins over renamed when both
    bool moved = false;
    bool renamed = false;
    const SiteDevice* was = nullptr; // what the record says; null for a new device
};

class SiteBaseline
{
public:
    SiteBaseline() = default;
    explicit SiteBaseline(SiteRecord record);

    DeviceDifference compare(const DeviceRecord& now) const;
    // The record's devices whose MAC no entry of `now` has, in the record's order.
    std::vector<const SiteDevice*> missing(const std::vector<ListedDevice>& now) const;
    const SiteRecord& record() const { return site; }

private:
    SiteRecord site;
    QHash<QString, size_t> indexOfMac; // normal MAC -> device
};

// One line of a comparison: a device that answers now (with its difference) or one missing.
struct ComparedDevice
{
    std::optional<ListedDevice> now;
    DeviceDifference difference;
};

struct SiteComparison
{
    std::vector<ComparedDevice> devices; // those that answer, in IP order, then the missing
    int added = 0, missing = 0, changed = 0, unchanged = 0;
    bool matches() const { return added == 0 && missing == 0 && changed == 0; }
};

SiteComparison compareSite(const SiteBaseline& baseline, const std::vector<ListedDevice>& now);
// The comparison as discover --compare prints it: a table, or JSON or CSV whose records are
// discover's with a "change" field and what the record says of a moved, renamed or missing
// device.
std::string formatComparison(const SiteComparison& comparison, DeviceFormat format);
// "1 new, 1 missing, 2 changed, 17 unchanged".
std::string comparisonSummary(const SiteComparison& comparison);
