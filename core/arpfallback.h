#pragma once
// What the user is told when the Search's sweep could not ask ARP itself: the kernel's table
// keeps one MAC per address, so a host that does not answer discovery (a PC, a printer, a
// router) at a device's address may go unseen. Said in plain words, with the remedy.

#include "net/netscanner.h"

#include <optional>
#include <string>

// Where the package installs the ARP helper.
constexpr const char* kInstalledArpHelper = "/usr/libexec/brenmoor/brenmoor-arp";

// Nothing when every address was asked through the helper. `helper` is where the tool found
// it (the installed place when it found none).
std::optional<std::string> arpFallbackLine(const std::optional<ArpFallback>& fallback, const std::string& helper);
// The same for this program's helper, as findArpHelper finds it.
std::optional<std::string> arpFallbackLine(const std::optional<ArpFallback>& fallback);
