#pragma once
// What the endpoints, the scanner and the runs have to tell the user. They report a message
// and one sink, chosen by the front end, decides where it goes: by default the console, as
// the lines always were (writeToConsole); the window's sink also shows the errors under its
// counters.
//
// Any thread may report: the receive threads, the scan and change workers, the GUI or main
// thread. The sink runs on the reporting thread, outside every lock of this file, so several
// reports may run it at once, and it may itself report or set the sink. A report already
// under way when the sink is replaced may still reach the one replaced (its copy is kept
// alive until that report returns).

#include <functional>
#include <string>

namespace brenmoor::messages {

enum class Level {
    Info,    // progress: the endpoints' interfaces and sends, a sweep's steps, a change sent or proven
    Warning, // something found that the user should look at: a conflict, a proxy, a change not
             // proven, replies a firewall or filter may drop, hosts the sweep could not probe
    Error,   // this computer kept the tool from part of its work: an interface list, a socket, a
             // pipe, the ARP helper, a receive buffer that ran full
};

struct Message
{
    Level level = Level::Info;
    std::string text;    // the whole line, the system's reason included, not yet escaped
    int errorNumber = 0; // the errno behind it; 0 when there is none
};

using Sink = std::function<void(const Message&)>;

// A line as it is.
void report(Level level, std::string text);
// Each line of a listing that was written to a stream, one message each, empty lines
// included; the newline that ends the last one makes no line of its own.
void reportLines(Level level, const std::string& lines);
// A system call's failure: "<text>: <the system's words for errorNumber>", such as "Failed to
// open UDP port 21089: Address already in use", with errorNumber kept in the message.
void reportFailure(Level level, std::string text, int errorNumber);

// Every report from now on goes to `sink`; an empty one restores the default. Returns the sink
// replaced, empty when that was the default, so that setSink(setSink(mine)) puts things back.
Sink setSink(Sink sink);

// The default sink. Info and Warning go where the progress goes (printLine: standard output,
// or standard error once the command-line tool sent it there); Error always to standard error
// (printErrorLine). Each line escaped, written in one piece and flushed.
void writeToConsole(const Message& message);

} // namespace brenmoor::messages
