#pragma once
// The one privileged step and the end of all privilege: the ARP socket is opened with
// cap_net_raw, then every capability is given up before a single byte is sent or read.

#include <string>

namespace brenmoor::arphelper {

enum class OpenStatus
{
    Opened,
    NotPermitted, // no cap_net_raw: the caller falls back to the neighbour table
    Failed,
};

// A datagram AF_PACKET socket for ARP, bound to the interface with index `ifIndex`, in `fd`.
OpenStatus openArpSocket(unsigned ifIndex, int& fd, std::string& error);

// Empties the effective, permitted and inheritable sets at once, sets no_new_privs, and reads
// the sets back: true only when nothing is left.
bool dropAllCapabilities(std::string& error);

} // namespace brenmoor::arphelper
