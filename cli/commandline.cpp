#include "cli/commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cmath>

namespace {

const QCommandLineOption kInterface(QStringLiteral("interface"),
                                    QStringLiteral("Use only this network interface (repeatable)."),
                                    QStringLiteral("NAME"));
// --wait: each command collects replies for it, to its own end.
QCommandLineOption waitOption(const char* purpose)
{
    return QCommandLineOption(QStringLiteral("wait"), QStringLiteral("Seconds to %1 (default 2).").arg(QLatin1String(purpose)),
                              QStringLiteral("SECONDS"), QStringLiteral("2"));
}
const QCommandLineOption kFormat(QStringLiteral("format"), QStringLiteral("Output: table, json or csv (default table)."),
                                 QStringLiteral("FORMAT"), QStringLiteral("table"));
const QCommandLineOption kNoSweep(QStringLiteral("no-sweep"),
                                  QStringLiteral("Skip the neighbour sweep and the conflict check."));
const QCommandLineOption kName(QStringLiteral("name"), QStringLiteral("The device's new name (at most 8 characters)."),
                               QStringLiteral("NAME"));
const QCommandLineOption kVerify(QStringLiteral("verify"),
                                 QStringLiteral("Search again for up to this many seconds until the device answers "
                                                "from its new address."),
                                 QStringLiteral("SECONDS"));
const QCommandLineOption kDryRun(QStringLiteral("dry-run"), QStringLiteral("Check the plan and send no setting."));

struct CommandSyntax
{
    const char* name;
    const char* description;
    QStringList arguments; // each "NAME:description"
};

const CommandSyntax kCommands[] = {
    {"discover",
     "Find every device on every network of the host and print one record per device, sorted by IP.\n"
     "Exit 0 when at least one device answered, 1 when none did.",
     {}},
    {"set",
     "Give the device with this MAC a new IP address, mask and gateway, with the settings panel's checks.\n"
     "A refused value sends nothing and exits 2.",
     {QStringLiteral("MAC:The device's MAC address."), QStringLiteral("IP:The new IP address."),
      QStringLiteral("MASK:The new subnet mask."), QStringLiteral("GATEWAY:The new gateway.")}},
    {"apply",
     "Set many devices from a plan, one device per line: MAC,IP,MASK,GATEWAY[,NAME].\n"
     "The whole plan is checked first; any bad line refuses all of it and exits 2.",
     {QStringLiteral("PLAN:The plan file (CSV).")}},
};

const QString kCommandsText = QStringLiteral("Commands:\n"
                                             "  discover  List the devices that answer.\n"
                                             "  set       Change one device's IP address, mask and gateway.\n"
                                             "  apply     Change many devices from a plan file.\n\n"
                                             "Run 'brenmoor-cli COMMAND --help' for a command's options.\n");

ParsedCommandLine usageError(const QString& message)
{
    ParsedCommandLine parsed;
    parsed.status = kExitRefused;
    parsed.output = ("brenmoor-cli: " + message + "\nRun 'brenmoor-cli --help' for usage.\n").toStdString();
    return parsed;
}

ParsedCommandLine printed(const QString& text)
{
    ParsedCommandLine parsed;
    parsed.output = text.toStdString();
    return parsed;
}

void addCommandOptions(QCommandLineParser& parser, const QString& command)
{
    if (command == QLatin1String("discover"))
        parser.addOptions({waitOption("collect replies"), kFormat, kNoSweep});
    else if (command == QLatin1String("set"))
        parser.addOptions({kName, kVerify, waitOption("find the device first")});
    else
        parser.addOptions({kVerify, kDryRun, waitOption("find the devices first")});
}

std::optional<CommandRequest> requestOf(const QCommandLineParser& parser, const QString& command,
                                        const QStringList& arguments, QString& error)
{
    const QString waitText = parser.value(QStringLiteral("wait"));
    const auto wait = secondsOption(waitText);
    if (!wait) {
        error = QStringLiteral("--wait needs a number of seconds, not '%1'").arg(waitText);
        return std::nullopt;
    }
    std::optional<std::chrono::milliseconds> verify;
    if (command != QLatin1String("discover") && parser.isSet(kVerify)) {
        verify = secondsOption(parser.value(kVerify));
        if (!verify) {
            error = QStringLiteral("--verify needs a number of seconds, not '%1'").arg(parser.value(kVerify));
            return std::nullopt;
        }
    }
    if (command == QLatin1String("discover")) {
        DiscoverRequest request;
        request.wait = *wait;
        request.sweep = !parser.isSet(kNoSweep);
        const QString format = parser.value(kFormat);
        if (format == QLatin1String("table"))
            request.format = DeviceFormat::Table;
        else if (format == QLatin1String("json"))
            request.format = DeviceFormat::Json;
        else if (format == QLatin1String("csv"))
            request.format = DeviceFormat::Csv;
        else {
            error = QStringLiteral("--format is table, json or csv, not '%1'").arg(format);
            return std::nullopt;
        }
        return request;
    }
    if (command == QLatin1String("set")) {
        SetRequest request{arguments[0].toStdString(), arguments[1].toStdString(), arguments[2].toStdString(),
                           arguments[3].toStdString(), std::nullopt, *wait, verify};
        if (parser.isSet(kName))
            request.name = parser.value(kName).toStdString();
        return request;
    }
    return ApplyRequest{arguments[0].toStdString(), *wait, verify, parser.isSet(kDryRun)};
}

} // namespace

std::optional<std::chrono::milliseconds> secondsOption(const QString& text)
{
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds < 0.001 || seconds > 86400)
        return std::nullopt;
    return std::chrono::milliseconds(static_cast<long long>(std::llround(seconds * 1000)));
}

ParsedCommandLine parseCommandLine(const QStringList& arguments)
{
    // First the global options and the command's name: everything after the name is left
    // for the command's own parser.
    QCommandLineParser global;
    global.setApplicationDescription(
        QStringLiteral("Find networked devices on every IPv4 network of this host and set their addresses."));
    global.addOption(kInterface);
    const QCommandLineOption help = global.addHelpOption();
    const QCommandLineOption version = global.addVersionOption();
    global.addPositionalArgument(QStringLiteral("command"), QStringLiteral("discover, set or apply"),
                                 QStringLiteral("COMMAND [options]"));
    global.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!global.parse(arguments))
        return usageError(global.errorText());
    const QStringList words = global.positionalArguments();
    if (words.isEmpty()) {
        if (global.isSet(version))
            return printed(QCoreApplication::applicationName() + ' ' + QCoreApplication::applicationVersion() + '\n');
        if (global.isSet(help))
            return printed(global.helpText() + '\n' + kCommandsText);
        return usageError(QStringLiteral("no command given: discover, set or apply"));
    }
    const QString command = words.first();
    const CommandSyntax* syntax = nullptr;
    for (const CommandSyntax& candidate : kCommands)
        if (command == QLatin1String(candidate.name))
            syntax = &candidate;
    if (!syntax)
        return usageError(QStringLiteral("unknown command '%1': discover, set or apply").arg(command));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(syntax->description));
    parser.addOption(kInterface);
    parser.addHelpOption();
    addCommandOptions(parser, command);
    parser.addPositionalArgument(command, QStringLiteral("The command."), command + QStringLiteral(" [options]"));
    for (const QString& argument : syntax->arguments) {
        const QString name = argument.section(QLatin1Char(':'), 0, 0);
        parser.addPositionalArgument(name, argument.section(QLatin1Char(':'), 1));
    }
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")) || global.isSet(help))
        return printed(parser.helpText());
    QStringList values = parser.positionalArguments();
    values.removeFirst();
    if (values.size() != syntax->arguments.size()) {
        QStringList names;
        for (const QString& argument : syntax->arguments)
            names << argument.section(QLatin1Char(':'), 0, 0);
        return usageError(names.isEmpty()
                              ? QStringLiteral("%1 takes no arguments").arg(command)
                              : QStringLiteral("%1 needs %2").arg(command, names.join(QLatin1Char(' '))));
    }
    QString error;
    ParsedCommandLine parsed;
    parsed.command = requestOf(parser, command, values, error);
    if (!parsed.command)
        return usageError(error);
    for (const QString& name : parser.values(kInterface))
        parsed.interfaces.push_back(name.toStdString());
    return parsed;
}
