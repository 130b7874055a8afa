#pragma once
// A site's record: the device list as it was handed over, saved as one JSON file that the
// window and brenmoor-cli both write and read, so the next visit can say what changed since.
//
//   {"format": "brenmoor-site-record", "version": 1, "saved": "2026-12-10T09:41:00Z",
//    "host": "laptop", "devices": [{"mac": ..., "name": ..., "ip": ..., "mask": ...,
//    "gateway": ..., "protocols": ["json", "kv"], "maker": ...}, ...]}
//
// The texts are the devices' own (JSON escapes what needs it), so what is compared is what
// the devices sent.

#include "core/devicelist.h"

#include <QString>
#include <optional>
#include <string>
#include <vector>

constexpr const char* kSiteRecordFormat = "brenmoor-site-record";
constexpr int kSiteRecordVersion = 1;
// No site has devices enough to come near this; a larger file is refused unread.
constexpr qint64 kMaxSiteRecordBytes = 32 * 1024 * 1024;

struct SiteDevice
{
    QString mac, name, ip, mask, gateway;
    bool json = false, kv = false; // the protocols it answered in
    std::string maker;
};

struct SiteRecord
{
    std::string saved; // UTC, ISO 8601
    std::string host;  // the computer that saved it
    std::vector<SiteDevice> devices;
};

// The list as a record, in the list's IP order.
SiteRecord siteRecordOf(const std::vector<ListedDevice>& devices, const std::string& saved, const std::string& host);
std::string siteRecordText(const SiteRecord& record);

// A record read back, or why the file is none: the text names the file.
struct SiteRecordRead
{
    std::optional<SiteRecord> record;
    std::string problem;
};
SiteRecordRead parseSiteRecord(const QByteArray& bytes, const QString& path);
SiteRecordRead readSiteRecord(const QString& path);
// Writes the whole record or nothing; false (with why) when it cannot.
bool writeSiteRecord(const SiteRecord& record, const QString& path, std::string& problem);
