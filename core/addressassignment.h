#pragma once
// Giving many devices addresses at once: a range that counts up from a first address and
// passes over every address that is taken or that a device cannot have. The whole range is
// checked before anything is sent, so a fleet is changed all together or not at all. The
// window's Assign Addresses panel and brenmoor-cli assign plan with it.

#include "core/addresscheck.h"

#include <QString>
#include <optional>
#include <string>
#include <vector>

class DeviceList;

// One device of the selection and what the plan gives it.
struct AssignedDevice
{
    QString mac;        // the device's own texts
    QString name;
    QString currentIp;
    std::string newIp;  // canonical; empty when the plan has none for it
};

// An address of the range a device could not have, and why: another host holds it, or the
// kernel remembers one there.
struct PassedOver
{
    std::string ip;
    std::string reason;
};

struct AssignmentPlan
{
    std::vector<AssignedDevice> devices; // in the order given
    std::string mask, gateway;           // canonical, as they go out
    std::vector<PassedOver> passedOver;  // in address order
    // Said before Confirm: the range is on none of this computer's networks.
    std::optional<std::string> note;
    // Why nothing may be sent, naming the device it concerns when there is one.
    std::optional<std::string> problem;
    bool ok() const { return !problem; }
};

// Plans `devices` (in the order given) from `firstIp` up, inside the subnet of `firstIp` and
// `mask`. Passed over: the subnet's network and broadcast addresses, addresses ending in .0
// or .255 (a device stack may take them for a broadcast; the settings panel refuses them),
// the gateway, and every address that is not free (judgeAddress: this computer, a listed
// device that is not in the selection, a host that answers there, a MAC the kernel
// remembers there). A selected device's present address may go to another selected device:
// the change run sends that move only once the device has been proven at its new address.
// Then each address gets the settings panel's checks. A selection that runs past the subnet's end, a MAC given twice, or
// any refused address makes a plan that must not be sent; the addresses found are still
// filled in, so the panel shows them as the user types.
AssignmentPlan planAssignment(const std::vector<AssignedDevice>& devices, const std::string& firstIp,
                              const std::string& mask, const std::string& gateway, const DeviceList& list,
                              const AddressUse& use);

// Why the three values cannot plan any range, before a device is looked at: the first IP or
// the mask is no usable address, or the gateway is none of the first IP's subnet's hosts.
// The settings panel's texts; "First IP: ..." for the first IP's own.
std::optional<std::string> assignmentValuesProblem(const std::string& firstIp, const std::string& mask,
                                                   const std::string& gateway);

// "02:00:5e:00:00:01 (Cam)" or just the MAC: how a refusal names a device.
std::string deviceLabel(const AssignedDevice& device);
