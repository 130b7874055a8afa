#pragma once
// Whether sent settings took: a change is verified when its device answers a discovery from
// its new address, and fails when the time runs out first. The protocols carry no
// acknowledgement, so this is the only word a front end has that a device took its address.
// Fed with every record heard while changes wait; owned by one thread; the clock is given.

#include "core/devicerecord.h"

#include <QHash>
#include <QString>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

class ChangeVerifier
{
public:
    using Clock = std::chrono::steady_clock;

    struct Outcome
    {
        QString mac;   // as given to expect
        std::string ip; // the new address
        bool verified = false;
        // Where the device answered from instead, since the change was sent (the last one heard
        // last); empty when it said nothing at all.
        std::vector<QString> heardElsewhere;
        std::string line; // the console line
    };

    explicit ChangeVerifier(std::chrono::milliseconds limit = std::chrono::seconds(10));

    // The device `mac` was sent `ip` at `sent`; an earlier change of the same device still
    // waiting is replaced.
    void expect(const QString& mac, const std::string& ip, Clock::time_point sent);
    // A record heard: the change it verifies, if any.
    std::optional<Outcome> heard(const DeviceRecord& record);
    // The changes whose time ran out by `now`, in the order they were sent.
    std::vector<Outcome> expire(Clock::time_point now);
    bool waiting() const { return !changes.isEmpty(); }
    size_t waitingCount() const { return static_cast<size_t>(changes.size()); }
    std::chrono::milliseconds limit() const { return timeLimit; }

    // "[OK] <MAC> answers at <IP>" and "[WARNING] <MAC> did not answer at <IP> within 10 s".
    static std::string verifiedLine(const QString& mac, const std::string& ip);
    static std::string unansweredLine(const QString& mac, const std::string& ip, std::chrono::milliseconds limit);
    // The same without its "[WARNING] ": what a row's tooltip says.
    static std::string unansweredText(const QString& mac, const std::string& ip, std::chrono::milliseconds limit);
    // "10 s", "2.5 s".
    static std::string secondsText(std::chrono::milliseconds duration);

private:
    struct Waiting
    {
        QString mac;
        std::string ip;
        Clock::time_point deadline;
        unsigned long order = 0;
        std::vector<QString> heardElsewhere;
    };
    Outcome settle(const Waiting& change, bool verified) const;

    std::chrono::milliseconds timeLimit;
    QHash<QString, Waiting> changes; // by normalMac
    unsigned long sentCount = 0;
};
