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
const QCommandLineOption kSave(QStringLiteral("save"), QStringLiteral("Also write the list as a site record to FILE."),
                               QStringLiteral("FILE"));
const QCommandLineOption kOverwrite(QStringLiteral("overwrite"), QStringLiteral("Let --save replace a file that exists."));
const QCommandLineOption kCompare(QStringLiteral("compare"),
                                  QStringLiteral("Print what changed since the site record FILE; exit 3 when the site "
                                                 "differs from it."),
                                  QStringLiteral("FILE"));
const QCommandLineOption kNoSweep(QStringLiteral("no-sweep"),
                                  QStringLiteral("Skip the neighbour sweep and the conflict check."));
const QCommandLineOption kName(QStringLiteral("name"), QStringLiteral("The device's new name (at most 8 characters)."),
                               QStringLiteral("NAME"));
const QCommandLineOption kVerify(QStringLiteral("verify"),
                                 QStringLiteral("Search again for up to this many seconds until each device reports "
                                                "the sent settings (default 10)."),
                                 QStringLiteral("SECONDS"), QStringLiteral("10"));
const QCommandLineOption kNoVerify(QStringLiteral("no-verify"),
                                   QStringLiteral("Send the settings and do not wait for the devices to report them."));
const QCommandLineOption kForce(QStringLiteral("force"),
                                QStringLiteral("Send even to an address this computer only remembers in use "
                                               "(nothing answers there now)."));
const QCommandLineOption kSummaryFormat(QStringLiteral("format"),
                                        QStringLiteral("Summary: table, json or csv (default table)."),
                                        QStringLiteral("FORMAT"), QStringLiteral("table"));
const QCommandLineOption kDryRun(QStringLiteral("dry-run"), QStringLiteral("Check the plan and send no setting."));
const QCommandLineOption kAt(QStringLiteral("at"), QStringLiteral("Assign the devices that answer from this address."),
                             QStringLiteral("IP"));
const QCommandLineOption kMac(QStringLiteral("mac"), QStringLiteral("Assign the device with this MAC (repeatable)."),
                              QStringLiteral("MAC"));
const QCommandLineOption kAll(QStringLiteral("all"), QStringLiteral("Assign every device that answers."));

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
    {"assign",
     "Give the chosen devices the addresses from FIRST_IP up, in the order of the device list, passing\n"
     "over every address in use, as the window's Assign Addresses does. The whole range is checked\n"
     "first; any refusal sends nothing and exits 2. Choose the devices with --at, --mac or --all.",
     {QStringLiteral("FIRST_IP:The first address of the range."), QStringLiteral("MASK:The subnet mask."),
      QStringLiteral("GATEWAY:The gateway.")}},
};

const QString kCommandsText = QStringLiteral("Commands:\n"
                                             "  discover  List the devices that answer.\n"
                                             "  set       Change one device's IP address, mask and gateway.\n"
                                             "  apply     Change many devices from a plan file.\n"
                                             "  assign    Give many devices a range of addresses.\n\n"
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
        parser.addOptions({waitOption("collect replies"), kFormat, kNoSweep, kSave, kOverwrite, kCompare});
    else if (command == QLatin1String("set"))
        parser.addOptions({kName, kVerify, kNoVerify, kForce, kSummaryFormat, waitOption("find the device first")});
    else if (command == QLatin1String("apply"))
        parser.addOptions({kVerify, kNoVerify, kForce, kDryRun, kSummaryFormat, waitOption("find the devices first")});
    else
        parser.addOptions({kAt, kMac, kAll, kVerify, kDryRun, kSummaryFormat, waitOption("find the devices first")});
}

std::optional<DeviceFormat> formatOf(const QString& text, QString& error)
{
    if (text == QLatin1String("table"))
        return DeviceFormat::Table;
    if (text == QLatin1String("json"))
        return DeviceFormat::Json;
    if (text == QLatin1String("csv"))
        return DeviceFormat::Csv;
    error = QStringLiteral("--format is table, json or csv, not '%1'").arg(text);
    return std::nullopt;
}

std::optional<CommandRequest> assignRequestOf(const QCommandLineParser& parser, const QStringList& arguments,
                                              std::chrono::milliseconds wait, QString& error)
{
    AssignRequest request;
    const auto format = formatOf(parser.value(kSummaryFormat), error);
    if (!format)
        return std::nullopt;
    request.format = *format;
    request.firstIp = arguments[0].toStdString();
    request.mask = arguments[1].toStdString();
    request.gateway = arguments[2].toStdString();
    request.wait = wait;
    request.dryRun = parser.isSet(kDryRun);
    const auto verify = secondsOption(parser.value(kVerify));
    if (!verify) {
        error = QStringLiteral("--verify needs a number of seconds, not '%1'").arg(parser.value(kVerify));
        return std::nullopt;
    }
    request.verify = *verify;
    const int choices = int(parser.isSet(kAt)) + int(parser.isSet(kMac)) + int(parser.isSet(kAll));
    if (choices != 1) {
        error = QStringLiteral("assign needs one of --at IP, --mac MAC or --all");
        return std::nullopt;
    }
    if (parser.isSet(kAt)) {
        if (parser.values(kAt).size() > 1) {
            error = QStringLiteral("--at takes one address");
            return std::nullopt;
        }
        request.at = parser.value(kAt).toStdString();
    }
    for (const QString& mac : parser.values(kMac))
        request.macs.push_back(mac.toStdString());
    request.all = parser.isSet(kAll);
    return request;
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
    if (command == QLatin1String("discover")) {
        DiscoverRequest request;
        request.wait = *wait;
        request.sweep = !parser.isSet(kNoSweep);
        if (parser.isSet(kSave))
            request.save = parser.value(kSave).toStdString();
        request.overwrite = parser.isSet(kOverwrite);
        if (parser.isSet(kCompare))
            request.compare = parser.value(kCompare).toStdString();
        const auto format = formatOf(parser.value(kFormat), error);
        if (!format)
            return std::nullopt;
        request.format = *format;
        return request;
    }
    if (command != QLatin1String("set") && command != QLatin1String("apply"))
        return assignRequestOf(parser, arguments, *wait, error);
    std::optional<std::chrono::milliseconds> verify = secondsOption(parser.value(kVerify));
    if (!verify) {
        error = QStringLiteral("--verify needs a number of seconds, not '%1'").arg(parser.value(kVerify));
        return std::nullopt;
    }
    if (parser.isSet(kNoVerify)) {
        if (parser.isSet(kVerify)) {
            error = QStringLiteral("--verify and --no-verify cannot go together");
            return std::nullopt;
        }
        verify.reset();
    }
    const auto format = formatOf(parser.value(kSummaryFormat), error);
    if (!format)
        return std::nullopt;
    if (command == QLatin1String("set")) {
        SetRequest request{arguments[0].toStdString(), arguments[1].toStdString(), arguments[2].toStdString(),
                           arguments[3].toStdString(), std::nullopt, *wait, verify, parser.isSet(kForce), *format};
        if (parser.isSet(kName))
            request.name = parser.value(kName).toStdString();
        return request;
    }
    return ApplyRequest{arguments[0].toStdString(), *wait, verify, parser.isSet(kDryRun), parser.isSet(kForce), *format};
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
    global.addPositionalArgument(QStringLiteral("command"), QStringLiteral("discover, set, apply or assign"),
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
        return usageError(QStringLiteral("no command given: discover, set, apply or assign"));
    }
    const QString command = words.first();
    const CommandSyntax* syntax = nullptr;
    for (const CommandSyntax& candidate : kCommands)
        if (command == QLatin1String(candidate.name))
            syntax = &candidate;
    if (!syntax)
        return usageError(QStringLiteral("unknown command '%1': discover, set, apply or assign").arg(command));

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
