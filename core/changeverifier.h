#pragma once
// Whether sent settings took. The protocols carry no acknowledgement: a change is proven only
// by a reply received after its send in which the device reports the sent IP, mask and
// gateway. A change that keeps the IP is proven by the new mask or gateway, never by the
// address alone. Fed with every record heard while changes wait; owned by one thread; the
// clock is given.

#include "core/devicerecord.h"

#include <QHash>
#include <QString>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

// What went to one device: its MAC as given, the canonical values sent and when.
struct SentSettings
{
    QString mac;
    std::string ip, mask, gateway;
    std::chrono::steady_clock::time_point sentAt{};
};

class ChangeVerifier
{
public:
    using Clock = std::chrono::steady_clock;

    enum class Proof {
        Proven,     // it reports the sent values
        Different,  // it answers at the sent IP, but with another mask or gateway
        Unanswered, // it never answered at the sent IP
    };

    struct Outcome
    {
        SentSettings sent;
        Proof proof = Proof::Unanswered;
        // What it last reported since the send: the proving reply, the last one at the sent IP
        // with other values, or the last one from elsewhere; nothing when it said nothing.
        std::optional<DeviceRecord> answered;
        // Where it answered from instead since the send, the last one heard last.
        std::vector<QString> heardElsewhere;
        std::string line; // the console line
        bool proven() const { return proof == Proof::Proven; }
    };

    explicit ChangeVerifier(std::chrono::milliseconds limit = std::chrono::seconds(10));

    // Settings went to `sent.mac`; an earlier change of the same device still waiting is
    // replaced.
    void expect(const SentSettings& sent);
    // A record heard: the change it proves, if any.
    std::optional<Outcome> heard(const DeviceRecord& record);
    // The changes whose time ran out by `now`, in the order they were sent.
    std::vector<Outcome> expire(Clock::time_point now);
    bool waiting() const { return !changes.isEmpty(); }
    std::chrono::milliseconds limit() const { return timeLimit; }

    // "[OK] <MAC> answers at <IP>".
    static std::string verifiedLine(const QString& mac, const std::string& ip);
    // "[WARNING] <MAC> did not answer at <IP> within 10 s".
    static std::string unansweredLine(const QString& mac, const std::string& ip, std::chrono::milliseconds limit);
    // "[WARNING] <MAC> answers at <IP> with mask M gateway G instead of mask M' gateway G'".
    static std::string differentLine(const SentSettings& sent, const DeviceRecord& answered);
    // A line without its "[OK] " or "[WARNING] ": what a row's tooltip says.
    static std::string withoutLevel(const std::string& line);
    // "10 s", "2.5 s".
    static std::string secondsText(std::chrono::milliseconds duration);

private:
    struct Waiting
    {
        SentSettings sent;
        Clock::time_point deadline;
        unsigned long order = 0;
        std::optional<DeviceRecord> atAddress; // the last reply at the sent IP, other values
        std::optional<DeviceRecord> last;      // the last reply at all
        std::vector<QString> heardElsewhere;
    };
    Outcome settle(const Waiting& change, Proof proof) const;

    std::chrono::milliseconds timeLimit;
    QHash<QString, Waiting> changes; // by normalMac
    unsigned long sentCount = 0;
};
