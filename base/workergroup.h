#pragma once
// The window's short-lived worker threads (searches, discovery senders, web openers). They
// run detached, but the group knows how many are still running, so the window can cancel
// them and wait a bounded time for them when it closes: no worker outlives the window in
// practice, and the process never exits under a worker's feet.

#include "base/canceltoken.h"
#include "base/consoleline.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

class WorkerGroup
{
public:
    WorkerGroup() : state(std::make_shared<State>()) {}

    // Starts `work` on a thread of its own; reports and skips it when no thread can be had.
    template <typename Work>
    bool start(const char* what, Work work)
    {
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            ++state->running;
            ++liveCount();
        }
        try {
            std::thread([state = state, work = std::move(work)]() mutable {
                struct Done
                {
                    State& s;
                    ~Done()
                    {
                        std::lock_guard<std::mutex> lock(s.mutex);
                        --liveCount(); // before `running`, so an idle group means a zero here
                        --s.running;
                        s.idle.notify_all();
                    }
                } done{*state};
                work();
            }).detach();
            return true;
        } catch (const std::system_error& e) {
            {
                std::lock_guard<std::mutex> lock(state->mutex);
                --state->running;
                --liveCount();
            }
            brenmoor::console::printErrorLine(std::string("Cannot start the ") + what + " thread: " + e.what());
            return false;
        }
    }

    // Asks every scan of the group to stop.
    void cancel() { state->cancel->cancel(); }
    std::shared_ptr<const CancelToken> cancelToken() const { return state->cancel; }

    // Waits until no worker runs or `limit` has passed; returns whether all are done.
    bool waitIdle(std::chrono::milliseconds limit)
    {
        std::unique_lock<std::mutex> lock(state->mutex);
        return state->idle.wait_for(lock, limit, [this] { return state->running == 0; });
    }

    // Workers of every group in the process that have not finished: zero after a window has
    // closed means its close waited for all of them, none was left behind.
    static int liveWorkers() { return liveCount(); }

private:
    static std::atomic<int>& liveCount()
    {
        static std::atomic<int> count{0};
        return count;
    }

    struct State
    {
        std::mutex mutex;
        std::condition_variable idle;
        int running = 0;
        std::shared_ptr<CancelToken> cancel = std::make_shared<CancelToken>();
    };
    // Shared with the workers: it outlives the group if a worker overstays the wait.
    std::shared_ptr<State> state;
};
