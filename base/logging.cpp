#include "base/logging.h"

#include "base/consoleline.h"

#include <spdlog/sinks/ansicolor_sink.h>
#include <spdlog/spdlog.h>

std::shared_ptr<spdlog::logger> gsdplog;

namespace {

// Log statements carry what devices sent (MACs, names, whole payloads): their text is escaped
// before the console sink adds its own colours.
class EscapingSink final : public spdlog::sinks::sink
{
public:
    explicit EscapingSink(std::shared_ptr<spdlog::sinks::sink> inner)
        : console(std::move(inner))
    {
    }
    void log(const spdlog::details::log_msg& message) override
    {
        const std::string text = brenmoor::console::escapeControls({message.payload.data(), message.payload.size()});
        spdlog::details::log_msg escaped(message);
        escaped.payload = text;
        console->log(escaped);
    }
    void flush() override { console->flush(); }
    void set_pattern(const std::string& pattern) override { console->set_pattern(pattern); }
    void set_formatter(std::unique_ptr<spdlog::formatter> formatter) override
    {
        console->set_formatter(std::move(formatter));
    }

private:
    std::shared_ptr<spdlog::sinks::sink> console;
};

} // namespace

void InitSpdLog()
{
    auto sink = std::make_shared<EscapingSink>(
        std::make_shared<spdlog::sinks::ansicolor_stdout_sink<spdlog::details::console_mutex>>(
            spdlog::color_mode::automatic));
    // Changes the global default and loggers registered so far; the logger made below keeps
    // spdlog's own default threshold (info).
    spdlog::set_level(spdlog::level::trace);
    gsdplog = std::make_shared<spdlog::logger>("logger", sink);
    spdlog::register_logger(gsdplog);
    spdlog::set_default_logger(gsdplog);
    gsdplog->set_pattern("[%Y-%m-%d %H:%M:%S.%e] [%^%l%$] %v", spdlog::pattern_time_type::local);
}
