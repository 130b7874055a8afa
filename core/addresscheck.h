#pragma once
// Whether a new address for a device is taken: by this computer, by another device that
// answers discovery from it, by a host that answers ARP for it when asked just now, or only
// in the kernel's memory (a host gone since, or one not asked yet). The window and
// brenmoor-cli judge every planned address with the same rules and texts.

#include "net/hostinterfaces.h"
#include "net/neighbourmap.h"
#include "net/netscanner.h"

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class DeviceList;

// Who else holds addresses on the host's networks.
struct AddressUse
{
    NeighbourMap neighbours; // MAC -> IP: the kernel's resolved entries when read; memory, no proof
    std::vector<brenmoor::net::HostAddress> host; // this computer's own addresses
    // The planned addresses asked just now; unset before such an ask.
    std::optional<AddressAnswers> now;
};

// The kernel's neighbour table and the host's addresses, now.
AddressUse currentAddressUse(const brenmoor::net::IfaddrsSource& interfaces);

enum class AddressHolder {
    None,       // free for the device
    Holds,      // this computer, a listed device, or a host that answered just now
    Remembered, // only the kernel's table names another MAC there
};

struct AddressVerdict
{
    AddressHolder holder = AddressHolder::None;
    std::string reason; // "IP address ... is already used by device ...", empty when free
    std::string mac;    // the other MAC, in the form the reason shows; empty for this computer
    bool free() const { return holder == AddressHolder::None; }
};

// How `ip` stands for the device `mac`. A device that `movesAway` (a plan moves it elsewhere
// first) does not hold its address. With an ask (`use.now`), a MAC the kernel remembers
// there that did not answer is Remembered; before one, every MAC the table names there is.
AddressVerdict judgeAddress(const std::string& ip, const QString& mac, const DeviceList& devices,
                            const AddressUse& use, const std::function<bool(const QString& mac)>& movesAway = {});

// Whether `ip` is on one of the host's networks: the only ones whose addresses can be asked.
bool onHostNetwork(const std::string& ip, const std::vector<brenmoor::net::HostAddress>& host);
