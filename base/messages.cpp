#include "base/messages.h"

#include "base/consoleline.h"

#include <memory>
#include <mutex>
#include <string.h>
#include <utility>

namespace brenmoor::messages {

namespace {

struct Current
{
    std::mutex mutex;
    std::shared_ptr<const Sink> sink; // null: the default
};

// Never destroyed: a worker the window stopped waiting for may still report while the
// process exits.
Current& current()
{
    static Current* const state = new Current;
    return *state;
}

// strerror_r comes in two kinds: GNU's returns the text (maybe not in the buffer), POSIX's
// fills the buffer. strerror itself may share one buffer among threads.
[[maybe_unused]] std::string systemText(const char* text, const char*)
{
    return text;
}
[[maybe_unused]] std::string systemText(int, const char* buffer)
{
    return buffer;
}

std::string systemWords(int errorNumber)
{
    char buffer[256] = {};
    return systemText(strerror_r(errorNumber, buffer, sizeof buffer), buffer);
}

void deliver(const Message& message)
{
    std::shared_ptr<const Sink> sink;
    {
        Current& state = current();
        std::lock_guard<std::mutex> lock(state.mutex);
        sink = state.sink;
    }
    // Called unlocked: a sink may itself report or set the sink, and a slow one holds up no
    // setSink.
    if (sink)
        (*sink)(message);
    else
        writeToConsole(message);
}

} // namespace

void report(Level level, std::string text)
{
    deliver(Message{level, std::move(text), 0});
}

void reportLines(Level level, const std::string& lines)
{
    for (size_t begin = 0; begin < lines.size();) {
        size_t end = lines.find('\n', begin);
        if (end == std::string::npos)
            end = lines.size();
        report(level, lines.substr(begin, end - begin));
        begin = end + 1;
    }
}

void reportFailure(Level level, std::string text, int errorNumber)
{
    text += ": ";
    text += systemWords(errorNumber);
    deliver(Message{level, std::move(text), errorNumber});
}

Sink setSink(Sink sink)
{
    auto replacement = sink ? std::make_shared<const Sink>(std::move(sink)) : nullptr;
    std::shared_ptr<const Sink> replaced;
    {
        Current& state = current();
        std::lock_guard<std::mutex> lock(state.mutex);
        replaced = std::exchange(state.sink, std::move(replacement));
    }
    return replaced ? *replaced : Sink();
}

void writeToConsole(const Message& message)
{
    if (message.level == Level::Error)
        console::printErrorLine(message.text);
    else
        console::printLine(message.text);
}

} // namespace brenmoor::messages
