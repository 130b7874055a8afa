#pragma once
// The command line `brenmoor-arp INTERFACE WAIT_MS TARGET...`, read without trusting any of
// it: the program holds cap_net_raw, so whoever runs it chooses every byte.

#include "arphelper/ipv4.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brenmoor::arphelper {

constexpr unsigned kMaxWaitMs = 5000;
// After ranges are expanded and repeats merged: an address given twice is asked once.
constexpr size_t kMaxTargets = 4096;
// IFNAMSIZ less the terminating NUL.
constexpr size_t kMaxInterfaceName = 15;

struct Arguments
{
    std::string interface;
    unsigned waitMs = 0;
    std::vector<Ipv4> targets; // ascending, each once
    // The targets named one by one (an address, or a range of one), ascending: these must be
    // asked, where a range may pass over the asker's own address.
    std::vector<Ipv4> named;
};

// `args` are the arguments after the program's name. On a refusal `error` holds the reason,
// naming the offending argument as shownArgument gives it.
bool parseArguments(const std::vector<std::string>& args, Arguments& out, std::string& error);

bool isUsableInterfaceName(std::string_view name);

// An argument as a refusal may show it: every byte outside printable ASCII, and the backslash,
// as \xNN; cut after 40 bytes of the argument with "..." so a megabyte of junk stays one line.
std::string shownArgument(std::string_view argument);

} // namespace brenmoor::arphelper
