#pragma once
// Whether a new address for a device is already taken: by another device that answers from
// it, by another MAC the neighbour table shows there, or by this computer itself. Confirm in
// the window and brenmoor-cli refuse such an address with the same text.

#include "net/hostinterfaces.h"
#include "net/neighbourmap.h"

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class DeviceList;

// Who else holds addresses on the host's networks, as read when a change is checked.
struct AddressUse
{
    NeighbourMap neighbours; // MAC -> IP: the kernel's complete neighbour entries
    std::vector<brenmoor::net::HostAddress> host; // this computer's own addresses
};

// The kernel's neighbour table and the host's addresses, now.
AddressUse currentAddressUse(const brenmoor::net::IfaddrsSource& interfaces);

// Why `ip` cannot go to the device `mac`, or nothing when it is free for it: "IP address ...
// is already used by device ..." or "... by this computer (...)". A device that `movesAway`
// (a plan moves it elsewhere) does not hold its address.
std::optional<std::string> addressInUse(const std::string& ip, const QString& mac, const DeviceList& devices,
                                        const AddressUse& use,
                                        const std::function<bool(const QString& mac)>& movesAway = {});
