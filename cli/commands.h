#pragma once
// The three commands of brenmoor-cli. Each returns the program's exit status: 0 done, 1 the
// network did not do what was asked (no device, not verified), 2 refused before anything
// was sent (a usage error, a refused value, a refused plan).

#include "core/deviceformat.h"
#include "net/ifaddrssource.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

enum ExitStatus { kExitDone = 0, kExitFailed = 1, kExitRefused = 2 };

struct DiscoverRequest
{
    std::chrono::milliseconds wait{2000};
    bool sweep = true;
    DeviceFormat format = DeviceFormat::Table;
};

struct SetRequest
{
    std::string mac, ip, mask, gateway;
    std::optional<std::string> name;
    std::chrono::milliseconds wait{2000}; // to find the device first
    std::optional<std::chrono::milliseconds> verify;
};

struct ApplyRequest
{
    std::string planPath;
    std::chrono::milliseconds wait{2000};
    std::optional<std::chrono::milliseconds> verify;
    bool dryRun = false;
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
    std::chrono::milliseconds verify{10000};
    bool dryRun = false;
};

int runDiscover(const brenmoor::net::IfaddrsSource& interfaces, const DiscoverRequest& request);
int runSet(const brenmoor::net::IfaddrsSource& interfaces, const SetRequest& request);
int runApply(const brenmoor::net::IfaddrsSource& interfaces, const ApplyRequest& request);
int runAssign(const brenmoor::net::IfaddrsSource& interfaces, const AssignRequest& request);
