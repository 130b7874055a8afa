#pragma once
// The four commands of brenmoor-cli. Each returns the program's exit status: 0 done, 1 the
// network did not do what was asked (no device, a change the device did not report), 2
// refused before anything was sent (a usage error, a refused value, a refused plan, an
// address another host holds, a file that is no site record), 3 the site differs from its
// record (discover --compare).

#include "core/changerun.h"
#include "core/deviceformat.h"
#include "net/ifaddrssource.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

enum ExitStatus { kExitDone = 0, kExitFailed = 1, kExitRefused = 2, kExitDiffers = 3 };

struct DiscoverRequest
{
    std::chrono::milliseconds wait{2000};
    bool sweep = true;
    DeviceFormat format = DeviceFormat::Table;
    std::optional<std::string> save;    // write the list as a site record there
    bool overwrite = false;             // over a file that exists
    std::optional<std::string> compare; // print what changed since this site record
};

// How long a change may take to be reported by its device: unset, it is sent and not
// verified (--no-verify).
constexpr std::chrono::milliseconds kDefaultVerify = kProofLimit;

struct SetRequest
{
    std::string mac, ip, mask, gateway;
    std::optional<std::string> name;
    std::chrono::milliseconds wait{2000}; // to find the device first
    std::optional<std::chrono::milliseconds> verify = kDefaultVerify;
    bool force = false; // send despite an address only this computer remembers in use
    DeviceFormat format = DeviceFormat::Table; // of the summary
};

struct ApplyRequest
{
    std::string planPath;
    std::chrono::milliseconds wait{2000};
    std::optional<std::chrono::milliseconds> verify = kDefaultVerify;
    bool dryRun = false;
    bool force = false;
    DeviceFormat format = DeviceFormat::Table;
};

// Gives the chosen devices addresses from FIRST_IP up, as the window's Assign Addresses does.
struct AssignRequest
{
    std::string firstIp, mask, gateway;
    // Which devices: those that answer from `at`, those with these MACs, or every one.
    std::optional<std::string> at;
    std::vector<std::string> macs;
    bool all = false;
    std::chrono::milliseconds wait{2000}; // to find the devices first
    std::chrono::milliseconds verify{kDefaultVerify};
    bool dryRun = false;
    DeviceFormat format = DeviceFormat::Table;
};

int runDiscover(const brenmoor::net::IfaddrsSource& interfaces, const DiscoverRequest& request);
int runSet(const brenmoor::net::IfaddrsSource& interfaces, const SetRequest& request);
int runApply(const brenmoor::net::IfaddrsSource& interfaces, const ApplyRequest& request);
int runAssign(const brenmoor::net::IfaddrsSource& interfaces, const AssignRequest& request);
