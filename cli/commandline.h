#pragma once
// brenmoor-cli's command line, parsed by QCommandLineParser: the global options, then a
// command with its own options and arguments. Pure: nothing is printed or sent here.

#include "cli/commands.h"

#include <QStringList>
#include <optional>
#include <string>
#include <variant>
#include <vector>

using CommandRequest = std::variant<DiscoverRequest, SetRequest, ApplyRequest, AssignRequest>;

struct ParsedCommandLine
{
    std::optional<CommandRequest> command; // nothing: print `output` and exit with `status`
    std::vector<std::string> interfaces;   // --interface, in the order given
    int status = kExitDone;
    std::string output; // help or version on standard output; a usage error on standard error
};

ParsedCommandLine parseCommandLine(const QStringList& arguments);

// A number of seconds from 0.001 to 86400, as a duration; nothing for any other text.
std::optional<std::chrono::milliseconds> secondsOption(const QString& text);
