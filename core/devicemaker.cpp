#include "core/devicemaker.h"

#include "core/macaddress.h"

#include <QFile>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <vector>

const char* const kLocallyAdministered = "locally administered (no maker)";

namespace {

// Larger than any registry Debian has shipped (3 MB): a file beyond it is no registry.
constexpr qint64 kMaxRegistryBytes = 64 * 1024 * 1024;

// The fields of one CSV line: quoted fields may hold commas and doubled quotes.
std::vector<std::string> csvFields(std::string_view line)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

bool hexPrefix(const std::string& text, uint32_t& prefix)
{
    if (text.size() != 6)
        return false;
    prefix = 0;
    for (const char c : text) {
        const int digit = (c >= '0' && c <= '9') ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                        : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (digit < 0)
            return false;
        prefix = (prefix << 4) | static_cast<uint32_t>(digit);
    }
    return true;
}

std::string trimmed(std::string text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    text.erase(0, first);
    text.erase(text.find_last_not_of(" \t\r") + 1);
    return text;
}

std::once_flag loadOnce;
std::atomic<const MakerTable*> loaded{nullptr};

} // namespace

MakerTable MakerTable::parse(std::string_view csv)
{
    MakerTable table;
    size_t start = 0;
    while (start < csv.size()) {
        size_t end = csv.find('\n', start);
        if (end == std::string_view::npos)
            end = csv.size();
        const std::vector<std::string> fields = csvFields(csv.substr(start, end - start));
        start = end + 1;
        uint32_t prefix = 0;
        if (fields.size() < 3 || !hexPrefix(trimmed(fields[1]), prefix))
            continue; // the header, a blank line, a registry entry of another size
        const std::string name = trimmed(fields[2]);
        if (!name.empty())
            table.makers.emplace(prefix, name);
    }
    return table;
}

MakerTable MakerTable::load(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxRegistryBytes)
        return {};
    const QByteArray bytes = file.read(kMaxRegistryBytes);
    return parse(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

std::string MakerTable::makerOf(const QString& mac) const
{
    if (!isMacText(mac.toStdString()))
        return {};
    const QString digits = normalMac(mac);
    bool ok = false;
    const uint32_t prefix = digits.left(6).toUInt(&ok, 16);
    if (!ok)
        return {};
    if ((prefix >> 16) & 0x02u)
        return kLocallyAdministered;
    const auto found = makers.find(prefix);
    return found == makers.end() ? std::string() : found->second;
}

std::string makerRegistryPath()
{
    const char* path = std::getenv("BRENMOOR_OUI_FILE");
    return path ? path : "/usr/share/ieee-data/oui.csv";
}

const MakerTable& makerTable()
{
    std::call_once(loadOnce, [] {
        static const MakerTable table = MakerTable::load(makerRegistryPath());
        loaded.store(&table, std::memory_order_release);
    });
    return *loaded.load(std::memory_order_acquire);
}

const MakerTable* loadedMakerTable()
{
    return loaded.load(std::memory_order_acquire);
}

std::string makerIfLoaded(const QString& mac)
{
    const MakerTable* table = loadedMakerTable();
    return table ? table->makerOf(mac) : std::string();
}
