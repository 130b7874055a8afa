#include "core/arpfallback.h"

#include "base/consoleline.h"
#include "net/arphelper.h"

#include <climits>
#include <cstdlib>

namespace {

// The helper's own path, without "..": the remedy is a command to copy.
std::string plainPath(const std::string& path)
{
    char resolved[PATH_MAX] = {};
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

} // namespace

std::optional<std::string> arpFallbackLine(const std::optional<ArpFallback>& fallback, const std::string& helper)
{
    if (!fallback)
        return std::nullopt;
    const std::string risk = "Conflicts with hosts that do not answer discovery (a PC, a printer or a router at a "
                             "device's address) may be missed: ";
    std::string why;
    std::string remedy;
    switch (fallback->why) {
    case brenmoor::net::ArpHelperStatus::NotPermitted:
        why = "the ARP helper " + helper + " may not send ARP (it lacks the capability cap_net_raw), so this "
              "computer's neighbour table served instead.";
        remedy = " To grant it, as root: setcap cap_net_raw=ep " + helper;
        break;
    case brenmoor::net::ArpHelperStatus::Missing:
        why = "the ARP helper " + helper + " is not there, so this computer's neighbour table served instead.";
        remedy = " Install the brenmoor package, which sets it up, or as root copy the helper there and run: "
                 "setcap cap_net_raw=ep " + helper;
        break;
    case brenmoor::net::ArpHelperStatus::Failed:
    case brenmoor::net::ArpHelperStatus::Answered:
        why = "the ARP helper " + helper + " failed"
              + (fallback->problem.empty() ? std::string() : " (" + fallback->problem + ")")
              + ", so this computer's neighbour table served instead.";
        break;
    }
    // The helper's words come from another program: shown as the console shows any text.
    return brenmoor::console::escapeControls(risk + why + remedy);
}

std::optional<std::string> arpFallbackLine(const std::optional<ArpFallback>& fallback)
{
    const std::optional<std::string> found = brenmoor::net::findArpHelper();
    return arpFallbackLine(fallback, found ? plainPath(*found) : std::string(kInstalledArpHelper));
}
