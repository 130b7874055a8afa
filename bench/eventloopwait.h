#pragma once
// Waiting in a benchmark without distorting what it measures.
#include <QEventLoop>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

// Runs the event loop until `done` holds or the time is up. QTest's waits sleep 10 ms between
// turns of the loop, and a stall measured through them would include that sleep.
inline bool runUntil(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    poll.start(1);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

// The longest gap between turns of the event loop while it runs, from start() on.
class StallMeter
{
public:
    StallMeter()
    {
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [this] {
            const qint64 now = clock.nsecsElapsed();
            if (last && now - last > longest)
                longest = now - last;
            last = now;
        });
        clock.start();
    }
    void start()
    {
        last = 0;
        longest = 0;
        ticker.start(1);
    }
    double stop()
    {
        ticker.stop();
        return static_cast<double>(longest) / 1e6;
    }

private:
    QElapsedTimer clock;
    QTimer ticker;
    qint64 last = 0;
    qint64 longest = 0;
};
