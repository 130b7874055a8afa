#pragma once
// Console lines of the transport and the scanner: each line is written in one piece and
// flushed, so lines from several threads never break into each other. Every line passes
// through escapeControls: texts a device supplies (MAC, name, mask, gateway) travel in them.

#include <ostream>
#include <string>
#include <string_view>

namespace brenmoor::console {

void printLine(const std::string& line);      // standard output, or standard error once redirected
void printErrorLine(const std::string& line); // standard error

// From now on printLine writes to standard error too: a program whose standard output carries
// records (the command-line tool) keeps the endpoints' and the scanner's progress out of them.
void sendConsoleLinesToStandardError();
// Where printLine writes, for the listings that write to a stream themselves.
std::ostream& consoleStream();

// The text with every C0 control (newline and tab included), DEL, C1 control (U+0080 to
// U+009F), the characters that reorder text as a bidirectional terminal shows it (U+061C,
// U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069), the line and paragraph separators
// (U+2028, U+2029) and every byte that is not part of well-formed UTF-8 written as \xNN, one
// per byte; all else, other languages' letters included, is kept. Any host on a site network
// can send a reply: a raw ESC or CSI would let it clear the installer's terminal, set its
// title or forge "[OK]" lines, and a right-to-left override would turn a line around.
// Escaping an escaped text changes nothing.
std::string escapeControls(std::string_view text);

// The text with only the bytes that are not part of well-formed UTF-8 written as \xNN; every
// character, controls included, is kept. What a device sent stays its own text, and nothing
// of it is silently lost on the way into a QString.
std::string escapeMalformedUtf8(std::string_view text);

} // namespace brenmoor::console
