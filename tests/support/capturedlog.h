#pragma once
// A log sink that keeps what was logged; text() may be read while other threads log.

#include <mutex>
#include <spdlog/sinks/base_sink.h>
#include <string>

namespace brenmoor::test {

class CapturedLog : public spdlog::sinks::base_sink<std::mutex>
{
public:
    std::string text()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return text_;
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        text_.clear();
    }

protected:
    void sink_it_(const spdlog::details::log_msg& message) override
    {
        spdlog::memory_buf_t formatted;
        formatter_->format(message, formatted);
        text_.append(formatted.data(), formatted.size());
    }
    void flush_() override {}

private:
    std::string text_;
};

} // namespace brenmoor::test
