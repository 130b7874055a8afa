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

} // namespace

std::string escapeControls(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            if (byte < 0x20 || byte == 0x7F)
                appendEscaped(out, byte);
            else
                out += static_cast<char>(byte);
            ++at;
            continue;
        }
        const size_t length = utf8SequenceLength(text, at);
        // U+0080 to U+009F, the C1 controls, are C2 80 to C2 9F.
        const bool c1 = length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) <= 0x9F;
        if (length == 0 || c1) {
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
