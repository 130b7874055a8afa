#pragma once
// Who made a device: the first three bytes of its MAC looked up in the IEEE registry as Debian
// ships it (ieee-data, /usr/share/ieee-data/oui.csv). A locally administered MAC (second bit
// of the first byte set: the lab's 02:..., a virtual machine's, a randomised one) has no maker
// and says so. Without the file every maker is empty and nothing else changes.

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

// What the maker field says of a locally administered MAC.
extern const char* const kLocallyAdministered;

class MakerTable
{
public:
    // The registry's CSV: a header, then "Registry,Assignment,Organization Name,Address" lines
    // (fields quoted when they hold commas). Lines that do not parse are skipped.
    static MakerTable parse(std::string_view csv);
    // Nothing (an empty table) when the file cannot be read or is not a registry.
    static MakerTable load(const std::string& path);

    // The maker of `mac` in any of its text forms; kLocallyAdministered, or empty when the
    // registry does not know the prefix or the text is no MAC.
    std::string makerOf(const QString& mac) const;
    size_t size() const { return makers.size(); }

private:
    std::unordered_map<uint32_t, std::string> makers; // the MAC's first three bytes
};

// Where the registry is: $BRENMOOR_OUI_FILE when set, else Debian's.
std::string makerRegistryPath();

// The process's table, read from makerRegistryPath() the first time it is asked for; any
// thread. The window asks it first from a worker, so the GUI thread never waits for the read.
const MakerTable& makerTable();
// The table when it has been read, or null (it is not read here).
const MakerTable* loadedMakerTable();
// The maker of `mac` when the table has been read; empty otherwise.
std::string makerIfLoaded(const QString& mac);
