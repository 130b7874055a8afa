#include "app/logging.h"

#include <spdlog/sinks/ansicolor_sink.h>
#include <spdlog/spdlog.h>

std::shared_ptr<spdlog::logger> gsdplog;

void InitSpdLog()
{
    auto sink = std::make_shared<spdlog::sinks::ansicolor_stdout_sink<spdlog::details::console_mutex>>(
        spdlog::color_mode::automatic);
    // Changes the global default and loggers registered so far; the logger made below keeps
    // spdlog's own default threshold (info).
    spdlog::set_level(spdlog::level::trace);
    gsdplog = std::make_shared<spdlog::logger>("logger", sink);
    spdlog::register_logger(gsdplog);
    spdlog::set_default_logger(gsdplog);
    gsdplog->set_pattern("[%Y-%m-%d %H:%M:%S.%e] [%^%l%$] %v", spdlog::pattern_time_type::local);
}
