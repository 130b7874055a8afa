#pragma once
// Simulated devices and captured console output for the end-to-end tests.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

namespace brenmoor::test {

// One bm-devicesim process on lab device host `host` (1, 2, ...), ready when constructed.
class SimulatedDevices
{
public:
    SimulatedDevices(int host, const QStringList& deviceSpecs, const QString& recordFile = {}, bool apply = false);
    // On the host <prefix>-<hostName>, e.g. "many1".
    SimulatedDevices(const QString& hostName, const QStringList& deviceSpecs, const QString& recordFile = {},
                     bool apply = false);
    ~SimulatedDevices();
    bool ready() const { return ready_; }

private:
    std::unique_ptr<QProcess> process_;
    bool ready_ = false;
    std::string resetCommand_; // run when the devices may have moved
};

// perNetwork simulated devices on each of the first `networks` networks of the lab's many
// hosts (tools/lab.sh many), with the specs the lab script gives, answering while this
// lives; the hosts go with it and the lab is left as the other tests know it. With a record
// folder, host many<k> records into many<k>.jsonl there; with apply, set-network commands
// move the devices.
class ManyDevices
{
public:
    ManyDevices(int perNetwork, int networks, const QString& recordFolder = {}, bool apply = false);
    ~ManyDevices();
    bool ready() const { return ready_; }

private:
    std::vector<std::unique_ptr<SimulatedDevices>> hosts;
    bool ready_ = false;
};

// `count` devices fresh from their boxes, all at `address`, on the link of wlp2s0 (lab.sh
// fleet): each on its own interface with its own MAC, answering by broadcast, moved by a
// set-network command unless it is one of the first `ignoring`. With `row`, device i is at the
// i-th address from `address` up instead. The host goes with it.
class FleetDevices
{
public:
    FleetDevices(int count, const QString& address, const QString& recordFile = {}, int ignoring = 0, bool row = false);
    ~FleetDevices();
    bool ready() const { return ready_; }
    // The MAC of device i (from 1), as the lab script makes it.
    static QString mac(int i);

private:
    std::unique_ptr<SimulatedDevices> devices;
    bool ready_ = false;
};

// RcvbufErrors of /proc/net/snmp: UDP datagrams the kernel dropped for a full receive buffer.
long udpReceiveBufferErrors();

// Runs a shell command inside a lab host namespace ("tool" or a device number).
bool runInHost(const QString& host, const QString& command);

// Redirects this process's standard output (or, given 2, its standard error) into a file for
// its lifetime; text() reads what was written so far. Restores the real stream (and echoes
// the capture to it, so a failing run still shows it) when destroyed.
class StdoutCapture
{
public:
    explicit StdoutCapture(int descriptor = 1);
    ~StdoutCapture();
    std::string text() const;

private:
    int descriptor_;
    int saved_ = -1;
    std::string path_;
};

// What an ArpResponder answers for, and how.
struct ArpAnswering
{
    QStringList addresses;
    int delayMs = 0; // after each request
    // The host's kernel gives no ARP replies on the interface while the responder lives (also
    // for the addresses it holds), so that only the responder answers, and as late as told.
    bool silenceKernel = false;
    QString mac; // the MAC answered as; empty: the interface's own
    QString interfaceName = QStringLiteral("eth0");
};

// One bm-arpresponder on lab device host `host` (1, 2, ...) or on <prefix>-<hostName>: a PC,
// printer or router that answers ARP for the addresses, ready when constructed. When
// destroyed it ends, the host's kernel answers ARP again, and the tool host forgets what it
// learned of the addresses.
class ArpResponder
{
public:
    ArpResponder(int host, const ArpAnswering& answering);
    ArpResponder(const QString& hostName, const ArpAnswering& answering);
    ~ArpResponder();
    bool ready() const { return ready_; }
    // Its lines "answered IP for REQUESTER_IP as MAC after MS ms" so far, once there are at
    // least `atLeast` of them or 5 s have passed.
    QStringList answers(int atLeast = 0);

private:
    std::unique_ptr<QProcess> process_;
    QByteArray output_;
    QString hostName_;
    ArpAnswering answering_;
    bool silenced_ = false;
    bool ready_ = false;
};

} // namespace brenmoor::test
