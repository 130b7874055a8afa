#pragma once
// Lets the owner of long work (a neighbour scan on a worker thread) ask it to stop early,
// and lets the work sleep in a way that such a request cuts short.

#include <chrono>
#include <condition_variable>
#include <mutex>

class CancelToken
{
public:
    void cancel()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            flag = true;
        }
        woken.notify_all();
    }

    bool cancelled() const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return flag;
    }

    // Sleeps for `duration` or until cancelled; returns whether it was cancelled.
    template <typename Rep, typename Period>
    bool sleepFor(std::chrono::duration<Rep, Period> duration) const
    {
        std::unique_lock<std::mutex> lock(mutex);
        return woken.wait_for(lock, duration, [this] { return flag; });
    }

private:
    mutable std::mutex mutex;
    mutable std::condition_variable woken;
    bool flag = false;
};
