#include "tools/arpresponder/options.h"

#include <algorithm>

namespace arpresponder {

const char* const kUsage = "usage: bm-arpresponder --interface IF --answer IP[,IP...] [--mac MAC] [--delay MS] "
                           "[--exit-with-parent] [--ready-file FILE]";

namespace {

// Digits only, at most kMaxDelayMs: a delay is a count of milliseconds, never negative.
std::optional<int> parseDelay(const std::string& text)
{
    if (text.empty() || text.size() > 6 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int value = std::stoi(text);
    if (value > kMaxDelayMs)
        return std::nullopt;
    return value;
}

bool addAnswers(const std::string& list, std::vector<Ipv4>& answers, std::string& error)
{
    size_t start = 0;
    while (true) {
        const size_t end = std::min(list.find(',', start), list.size());
        const std::string item = list.substr(start, end - start);
        const auto ip = parseIpv4(item);
        if (!ip) {
            error = "not an IPv4 address: '" + item + "'";
            return false;
        }
        if (std::find(answers.begin(), answers.end(), *ip) == answers.end())
            answers.push_back(*ip);
        if (end == list.size())
            return true;
        start = end + 1;
    }
}

} // namespace

std::optional<Options> parseOptions(const std::vector<std::string>& arguments, std::string& error)
{
    Options options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        const bool takesValue = arg == "--interface" || arg == "--answer" || arg == "--mac" || arg == "--delay"
            || arg == "--ready-file";
        if (takesValue && i + 1 >= arguments.size()) {
            error = arg + " needs a value";
            return std::nullopt;
        }
        if (arg == "--interface") {
            options.interfaceName = arguments[++i];
            // The kernel's limit (IFNAMSIZ less the terminating NUL).
            if (options.interfaceName.empty() || options.interfaceName.size() > 15) {
                error = "not an interface name: '" + options.interfaceName + "'";
                return std::nullopt;
            }
        } else if (arg == "--answer") {
            if (!addAnswers(arguments[++i], options.answers, error))
                return std::nullopt;
        } else if (arg == "--mac") {
            const std::string& text = arguments[++i];
            options.mac = parseMac(text);
            // A group address as a frame's source is no host's: switches would not learn it.
            if (!options.mac || ((*options.mac)[0] & 1) || *options.mac == Mac{}) {
                error = "not a unicast MAC: '" + text + "'";
                return std::nullopt;
            }
        } else if (arg == "--delay") {
            const auto delay = parseDelay(arguments[++i]);
            if (!delay) {
                error = "--delay takes milliseconds, 0 to " + std::to_string(kMaxDelayMs) + ": '" + arguments[i] + "'";
                return std::nullopt;
            }
            options.delayMs = *delay;
        } else if (arg == "--ready-file") {
            options.readyFile = arguments[++i];
            if (options.readyFile.empty()) {
                error = "--ready-file needs a file name";
                return std::nullopt;
            }
        } else if (arg == "--exit-with-parent") {
            options.exitWithParent = true;
        } else {
            error = "unknown argument '" + arg + "'";
            return std::nullopt;
        }
    }
    if (options.interfaceName.empty()) {
        error = "no --interface given";
        return std::nullopt;
    }
    if (options.answers.empty()) {
        error = "no --answer given";
        return std::nullopt;
    }
    return options;
}

} // namespace arpresponder
