// A site record: any file a user may open with Compare with... or pass to --compare. Either a
// record comes back whole, or a reason naming the file; and a record read back, compared and
// written again reads back the same.
#include "core/siterecord.h"
#include "core/sitecompare.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    const SiteRecordRead read = parseSiteRecord(bytes, QStringLiteral("f.json"));
    if (read.record.has_value() == read.problem.empty()) {
        // exactly one of the two
    } else {
        __builtin_trap();
    }
    if (!read.record)
        return 0;
    const SiteBaseline baseline(*read.record);
    (void)formatComparison(compareSite(baseline, {}), DeviceFormat::Json);
    const std::string again = siteRecordText(*read.record);
    const SiteRecordRead back = parseSiteRecord(QByteArray::fromStdString(again), QStringLiteral("f.json"));
    if (!back.record || back.record->devices.size() != read.record->devices.size())
        __builtin_trap();
    return 0;
}
