#pragma once
// One change run: what the window's Modify and Assign Addresses and brenmoor-cli set, apply
// and assign all drive. It asks every planned address on the wire now (a range is planned
// again around the addresses that answer), refuses what would put a device on a held
// address, sends each change in both protocols in an order that never tells a device to take
// an address another device holds at that moment, asks again until each device reports the
// sent values or its time runs out, and says how each went.

#include "base/workergroup.h"
#include "core/addressassignment.h"
#include "core/changeverifier.h"
#include "core/changeorder.h"
#include "core/devicerecord.h"
#include "core/workhandoff.h"
#include "net/netscanner.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class DeviceList;
class DiscoverySession;

// How long a device has to report sent settings, and how often it is asked meanwhile: soon
// enough that a fleet is proven within a second of moving, seldom enough that a site of a
// thousand devices hardly notices.
constexpr std::chrono::milliseconds kProofLimit{10000};
constexpr std::chrono::milliseconds kReaskInterval{500};

// One device and the settings it is to take.
struct PlannedChange
{
    DeviceRecord device;           // as it last answered: its own MAC, address and texts
    std::string ip, mask, gateway; // canonical, as they go out
    QString name;                  // as it goes out (cut to the panel's length)
    int line = 0;                  // its line in a plan file, or 0
};

struct ChangeOutcome
{
    enum class Result {
        Proven,   // it reports the sent values
        Unproven, // it did not, within the limit (the proof says what it did)
        NotSent,  // `detail` says why
        Sent,     // sent, not verified (asked not to)
        DryRun,   // checked, not sent
        NotFound, // the device did not answer the search before it
    };
    PlannedChange change;
    Result result = Result::NotSent;
    std::optional<ChangeVerifier::Outcome> proof;
    std::string detail;
};

// "proven", "unproven", "not-sent", "sent", "dry-run", "not-found".
std::string resultName(ChangeOutcome::Result result);

class ChangeRun : public QObject
{
    Q_OBJECT
public:
    struct Context
    {
        std::shared_ptr<DiscoverySession> session;
        ScanActions scan; // how addresses are asked
        // The list as the front end shows it now: holders, and twins.
        std::function<const DeviceList&()> devices;
        WorkerGroup* workers = nullptr; // where the ask runs; must outlive the run
    };
    struct Options
    {
        bool force = false;  // send despite addresses only the kernel remembers
        bool dryRun = false; // check and plan, send nothing
        std::optional<std::chrono::milliseconds> verify = kProofLimit; // unset: send, do not verify
    };
    // A range's plan for the address use given (with or without an ask).
    using RangePlanner = std::function<AssignmentPlan(const AddressUse& use)>;

    ChangeRun(Context context, Options options, QObject* parent = nullptr);
    ~ChangeRun() override;

    // Fixed changes (Modify, set, apply): each address asked, then sent or refused whole.
    void start(std::vector<PlannedChange> changes);
    // A range (Assign Addresses, assign): planned, its addresses asked, planned again around
    // those that answer, then sent.
    void startRange(RangePlanner planner);
    // Every record the front end takes, before its list merges it.
    void heard(const DeviceRecord& record);
    // The user let go before anything was sent (the panel closed while its addresses were
    // asked): nothing will be. Changes already sent go on to their proof.
    void cancel();

    bool running() const { return phase != Phase::Idle && phase != Phase::Done; }
    const std::vector<ChangeOutcome>& outcomes() const { return results; }
    const std::vector<PlannedChange>& changes() const { return plannedChanges; }
    // For each change, the MAC of the device it waits for to leave its new address, or empty.
    std::vector<QString> waitingFor() const;

signals:
    // Nothing was sent: each reason names its device (and its plan line).
    void refused(const std::vector<std::string>& reasons);
    // Nothing was sent: only addresses the kernel remembers stand in the way; the same
    // changes again with `force` send them.
    void needsForce(const std::vector<std::string>& warnings);
    // The range as it goes out, after the asks.
    void planned(const AssignmentPlan& plan);
    void changeSent(const PlannedChange& change);
    void changeSettled(const ChangeOutcome& outcome);
    void finished();

private:
    enum class Phase { Idle, Asking, Sending, Done };
    struct Step
    {
        bool sent = false;
        bool settled = false;
        bool proven = false;
    };

    void ask(const std::vector<std::string>& addresses);
    void answered(AddressAnswers answers);
    void checkFixed();
    void checkRange();
    // Sends every change nothing waits for any more; settles those that can never go.
    void sendReady();
    void reask();
    void settle(size_t index, ChangeOutcome outcome);
    void finishIfDone();
    size_t indexOf(const QString& mac) const;

    Context context;
    Options options;
    Phase phase = Phase::Idle;
    RangePlanner rangePlanner;
    AddressUse use;
    AddressAnswers asked; // every answer of this run's asks
    std::vector<std::string> askedAddresses;
    int askRounds = 0;
    std::vector<PlannedChange> plannedChanges;
    ChangeOrder order;
    std::vector<Step> steps;
    std::vector<ChangeOutcome> results;
    ChangeVerifier verifier;
    QTimer reaskTimer;
    WorkHandoff<AddressAnswers> answers;
};
