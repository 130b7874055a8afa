#pragma once
// Process-wide logger and the one log-statement convention of the tool.
//
// The logger stays empty unless InitSpdLog() is called; every statement is then skipped
// without formatting its arguments. With the logger set, a statement writes
// "[<file base name>:<line>] <function> - <text>" at its level and flushes at once.

#include <memory>

#include <spdlog/logger.h>

extern std::shared_ptr<spdlog::logger> gsdplog;

// Builds the logger "logger" on a colour console sink on standard output and makes it the
// default logger. Call at most once, before other threads start: a second call replaces
// gsdplog and then fails with spdlog's "logger with name 'logger' already exists".
void InitSpdLog();

namespace brenmoor::logging {

// Base name of a compile-time source path: everything after the last '/', or, for a path
// without '/', everything after the last '\'; a path with neither is returned whole.
constexpr const char* sourceBaseName(const char* path)
{
    const char* afterSlash = nullptr;
    const char* afterBackslash = nullptr;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '/')
            afterSlash = p + 1;
        else if (*p == '\\')
            afterBackslash = p + 1;
    }
    if (afterSlash)
        return afterSlash;
    if (afterBackslash)
        return afterBackslash;
    return path;
}

} // namespace brenmoor::logging

#define BM_LOG_AT(level, text, ...)                                                                 \
    do {                                                                                           \
        if (const auto& bmLogger_ = gsdplog) {                                                     \
            bmLogger_->level("[{}:{}] {} - " text,                                                 \
                             brenmoor::logging::sourceBaseName(__FILE__), __LINE__,               \
                             static_cast<const char*>(__func__), ##__VA_ARGS__);                   \
            bmLogger_->flush();                                                                    \
        }                                                                                          \
    } while (false)

#define BM_LOG_INFO(text, ...) BM_LOG_AT(info, text, ##__VA_ARGS__)
#define BM_LOG_ERROR(text, ...) BM_LOG_AT(error, text, ##__VA_ARGS__)
