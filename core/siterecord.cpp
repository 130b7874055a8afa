#include "core/siterecord.h"

#include "core/deviceformat.h"
#include "core/devicemaker.h"

#include <QFile>
#include <QSaveFile>
#include <nlohmann/json.hpp>

namespace {

std::string text(const QString& value)
{
    return value.toStdString();
}

// Each field must be what the format says; a record that holds anything else is none.
bool stringField(const nlohmann::json& object, const char* key, QString& out)
{
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string())
        return false;
    out = QString::fromStdString(found->get<std::string>());
    return true;
}

} // namespace

SiteRecord siteRecordOf(const std::vector<ListedDevice>& devices, const std::string& saved, const std::string& host)
{
    SiteRecord record{saved, host, {}};
    for (const ListedDevice& device : devices) {
        const DeviceRecord& r = device.record;
        record.devices.push_back({r.mac, r.name, r.ip, r.submask, r.gateway, device.json, device.kv, makerIfLoaded(r.mac)});
    }
    return record;
}

std::string siteRecordText(const SiteRecord& record)
{
    nlohmann::ordered_json devices = nlohmann::ordered_json::array();
    for (const SiteDevice& device : record.devices) {
        devices.push_back({{"mac", text(device.mac)},
                           {"name", text(device.name)},
                           {"ip", text(device.ip)},
                           {"mask", text(device.mask)},
                           {"gateway", text(device.gateway)},
                           {"protocols", protocolNames(device.json, device.kv)},
                           {"maker", device.maker}});
    }
    const nlohmann::ordered_json document = {{"format", kSiteRecordFormat},
                                             {"version", kSiteRecordVersion},
                                             {"saved", record.saved},
                                             {"host", record.host},
                                             {"devices", devices}};
    return document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

SiteRecordRead parseSiteRecord(const QByteArray& bytes, const QString& path)
{
    const std::string name = path.toStdString();
    const auto refuse = [&name](const std::string& why) { return SiteRecordRead{std::nullopt, name + ": " + why}; };
    // UTF-8 comes back from a round trip byte for byte; anything else is replaced on the way.
    if (QString::fromUtf8(bytes).toUtf8() != bytes)
        return refuse("not a site record: the text is not UTF-8");
    const nlohmann::json document = nlohmann::json::parse(bytes.constData(), bytes.constData() + bytes.size(), nullptr, false);
    if (document.is_discarded())
        return refuse("not a site record: not JSON, or cut short");
    if (!document.is_object() || document.value("format", nlohmann::json()) != kSiteRecordFormat)
        return refuse("not a site record (no \"format\": \"" + std::string(kSiteRecordFormat) + "\")");
    const auto version = document.find("version");
    if (version == document.end() || !version->is_number_integer())
        return refuse("not a site record: no version");
    if (version->get<long long>() > kSiteRecordVersion)
        return refuse("a site record of version " + std::to_string(version->get<long long>())
                      + ", newer than this program reads (" + std::to_string(kSiteRecordVersion) + "): update it");
    if (version->get<long long>() < 1)
        return refuse("not a site record: version " + std::to_string(version->get<long long>()));
    SiteRecord record;
    record.saved = document.value("saved", nlohmann::json()).is_string() ? document["saved"].get<std::string>() : "";
    record.host = document.value("host", nlohmann::json()).is_string() ? document["host"].get<std::string>() : "";
    const auto devices = document.find("devices");
    if (devices == document.end() || !devices->is_array())
        return refuse("not a site record: no list of devices");
    for (size_t i = 0; i < devices->size(); ++i) {
        const nlohmann::json& entry = (*devices)[i];
        SiteDevice device;
        const bool whole = entry.is_object() && stringField(entry, "mac", device.mac) && stringField(entry, "name", device.name)
                           && stringField(entry, "ip", device.ip) && stringField(entry, "mask", device.mask)
                           && stringField(entry, "gateway", device.gateway);
        if (!whole)
            return refuse("device " + std::to_string(i + 1) + " of the record lacks its MAC, name, IP, mask or gateway");
        const auto protocols = entry.find("protocols");
        if (protocols != entry.end() && protocols->is_array()) {
            for (const nlohmann::json& protocol : *protocols) {
                device.json = device.json || protocol == "json";
                device.kv = device.kv || protocol == "kv";
            }
        }
        if (entry.value("maker", nlohmann::json()).is_string())
            device.maker = entry["maker"].get<std::string>();
        record.devices.push_back(std::move(device));
    }
    return {std::move(record), {}};
}

SiteRecordRead readSiteRecord(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, path.toStdString() + ": cannot be read: " + file.errorString().toStdString()};
    if (file.size() > kMaxSiteRecordBytes)
        return {std::nullopt, path.toStdString() + ": not a site record: " + std::to_string(file.size() / (1024 * 1024))
                                  + " MB is more than any site's record"};
    return parseSiteRecord(file.read(kMaxSiteRecordBytes + 1), path);
}

bool writeSiteRecord(const SiteRecord& record, const QString& path, std::string& problem)
{
    const std::string content = siteRecordText(record);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(content.data(), static_cast<qint64>(content.size())) != static_cast<qint64>(content.size())
        || !file.commit()) {
        problem = path.toStdString() + ": cannot be written: " + file.errorString().toStdString();
        return false;
    }
    return true;
}
