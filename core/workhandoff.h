#pragma once
// A worker's result handed to the thread that made the hand-off, without a call into Qt from
// the worker: under a lock of our own, with a GuiWakeUp to wake the owner. A result that
// comes after the hand-off is gone is dropped.

#include "core/guiwakeup.h"

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

template <typename T>
class WorkHandoff
{
public:
    // `take` runs on the owner's thread, once per result delivered.
    explicit WorkHandoff(std::function<void(T)> take)
        : shared(std::make_shared<Shared>())
        , taker(std::move(take))
    {
        shared->wake = &wake;
        QObject::connect(&wake, &GuiWakeUp::woken, &wake, [this] { drain(); });
    }
    ~WorkHandoff()
    {
        std::lock_guard<std::mutex> lock(shared->lock);
        shared->wake = nullptr;
    }
    WorkHandoff(const WorkHandoff&) = delete;
    WorkHandoff& operator=(const WorkHandoff&) = delete;

    // For the worker: delivers one result from any thread, even after the hand-off is gone.
    std::function<void(T)> deliverer() const
    {
        return [shared = shared](T value) {
            std::lock_guard<std::mutex> lock(shared->lock);
            if (!shared->wake)
                return;
            shared->values.push_back(std::move(value));
            shared->wake->wake();
        };
    }

private:
    struct Shared
    {
        std::mutex lock;
        std::deque<T> values;
        GuiWakeUp* wake = nullptr;
    };
    void drain()
    {
        std::deque<T> values;
        {
            std::lock_guard<std::mutex> lock(shared->lock);
            values.swap(shared->values);
        }
        for (T& value : values)
            taker(std::move(value));
    }

    GuiWakeUp wake;
    std::shared_ptr<Shared> shared;
    std::function<void(T)> taker;
};
