#include "base/consoleline.h"

#include <atomic>
#include <iostream>

namespace brenmoor::console {

namespace {

std::atomic<bool> consoleLinesToStandardError{false};

// Length of the well-formed UTF-8 sequence at text[at] (1 to 4), or 0 when there is none:
// overlong forms, surrogates and values above U+10FFFF are not well formed.
size_t utf8SequenceLength(std::string_view text, size_t at)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    if (byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (size_t i = 2; i < length; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    return length;
}

void appendEscaped(std::string& out, unsigned char byte)
{
    static const char digits[] = "0123456789abcdef";
    out += "\\x";
    out += digits[byte >> 4];
    out += digits[byte & 0x0F];
}

// Whether the well-formed sequence of `length` bytes at text[at] is a character that must not
// reach a terminal as it is: a C1 control, or one that reorders or breaks a line.
bool isHiddenControl(std::string_view text, size_t at, size_t length)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
    if (length == 2)
        return (byte(0) == 0xC2 && byte(1) <= 0x9F) // U+0080..U+009F
            || (byte(0) == 0xD8 && byte(1) == 0x9C); // U+061C arabic letter mark
    if (length != 3 || byte(0) != 0xE2)
        return false;
    if (byte(1) == 0x80) // U+200E, U+200F, U+2028..U+202E
        return byte(2) == 0x8E || byte(2) == 0x8F || (byte(2) >= 0xA8 && byte(2) <= 0xAE);
    return byte(1) == 0x81 && byte(2) >= 0xA6 && byte(2) <= 0xA9; // U+2066..U+2069
}

std::string escape(std::string_view text, bool controls)
{
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            if (controls && (byte < 0x20 || byte == 0x7F))
                appendEscaped(out, byte);
            else
                out += static_cast<char>(byte);
            ++at;
            continue;
        }
        const size_t length = utf8SequenceLength(text, at);
        if (length == 0 || (controls && isHiddenControl(text, at, length))) {
            const size_t bad = length == 0 ? 1 : length;
            for (size_t i = 0; i < bad; ++i)
                appendEscaped(out, static_cast<unsigned char>(text[at + i]));
            at += bad;
            continue;
        }
        out.append(text.substr(at, length));
        at += length;
    }
    return out;
}

} // namespace

std::string escapeControls(std::string_view text)
{
    return escape(text, true);
}

std::string escapeMalformedUtf8(std::string_view text)
{
    return escape(text, false);
}

void printLine(const std::string& line)
{
    consoleStream() << (escapeControls(line) + '\n') << std::flush;
}

std::ostream& consoleStream()
{
    return consoleLinesToStandardError.load(std::memory_order_relaxed) ? std::cerr : std::cout;
}

void sendConsoleLinesToStandardError()
{
    consoleLinesToStandardError.store(true, std::memory_order_relaxed);
}

void printErrorLine(const std::string& line)
{
    std::cerr << (escapeControls(line) + '\n') << std::flush;
}

} // namespace brenmoor::console
