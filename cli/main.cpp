// brenmoor-cli: the device list without a window, for scripts, batches and headless hosts.
//   brenmoor-cli [--interface NAME]... discover [--wait S] [--format table|json|csv] [--no-sweep]
//   brenmoor-cli [--interface NAME]... set MAC IP MASK GATEWAY [--name NAME] [--verify S]
//   brenmoor-cli [--interface NAME]... apply PLAN.csv [--verify S] [--dry-run]
//   brenmoor-cli [--interface NAME]... assign FIRST_IP MASK GATEWAY (--at IP | --mac MAC... | --all)
//                                      [--verify S] [--dry-run]
// Records go to standard output; what is sent where, the sweep and every refusal go to
// standard error.

#include "base/consoleline.h"
#include "cli/commandline.h"
#include "cli/commands.h"
#include "net/interfacefilter.h"

#include <QCoreApplication>
#include <QStringList>
#include <iostream>
#include <variant>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brenmoor-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRENMOOR_VERSION));
    brenmoor::console::sendConsoleLinesToStandardError();

    const ParsedCommandLine parsed = parseCommandLine(QCoreApplication::arguments());
    if (!parsed.output.empty())
        (parsed.status == kExitDone ? std::cout : std::cerr) << parsed.output << std::flush;
    if (!parsed.command)
        return parsed.status;

    const brenmoor::net::IfaddrsSource& system = brenmoor::net::systemIfaddrs();
    const brenmoor::net::IfaddrsSource chosen = parsed.interfaces.empty()
        ? system
        : brenmoor::net::onlyNamedInterfaces(system, parsed.interfaces);
    const auto missing = brenmoor::net::namesWithoutIpv4(system, parsed.interfaces);
    if (!missing.empty()) {
        for (const std::string& name : missing)
            brenmoor::console::printErrorLine("brenmoor-cli: no interface " + name + " with an IPv4 address");
        return kExitRefused;
    }
    return std::visit(
        [&](const auto& request) {
            using Request = std::decay_t<decltype(request)>;
            if constexpr (std::is_same_v<Request, DiscoverRequest>)
                return runDiscover(chosen, request);
            else if constexpr (std::is_same_v<Request, SetRequest>)
                return runSet(chosen, request);
            else if constexpr (std::is_same_v<Request, ApplyRequest>)
                return runApply(chosen, request);
            else
                return runAssign(chosen, request);
        },
        *parsed.command);
}
