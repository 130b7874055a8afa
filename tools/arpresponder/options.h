#pragma once
// The responder's command line.

#include "tools/arpresponder/arpframe.h"

#include <optional>
#include <string>
#include <vector>

namespace arpresponder {

constexpr int kMaxDelayMs = 600000;

struct Options
{
    std::string interfaceName;
    std::vector<Ipv4> answers; // the addresses answered for, in the order given, once each
    std::optional<Mac> mac; // nothing: the interface's own
    int delayMs = 0;
    bool exitWithParent = false;
    std::string readyFile; // empty: none
};

// The arguments after the program name. Nothing, with `error` saying why, for a command line
// that names no interface or no address, an unknown option, or a value that does not parse.
std::optional<Options> parseOptions(const std::vector<std::string>& arguments, std::string& error);

extern const char* const kUsage;

} // namespace arpresponder
