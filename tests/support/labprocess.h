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
    // On the host <prefix>-<hostName>, e.g. "many".
    SimulatedDevices(const QString& hostName, const QStringList& deviceSpecs, const QString& recordFile = {},
                     bool apply = false);
    ~SimulatedDevices();
    bool ready() const { return ready_; }

private:
    std::unique_ptr<QProcess> process_;
    bool ready_ = false;
};

// Runs a shell command inside a lab host namespace ("tool" or a device number).
bool runInHost(const QString& host, const QString& command);

// Redirects this process's standard output into a file for its lifetime; text() reads what
// was written so far. Restores the real standard output (and echoes the capture to standard
// error, so a failing run still shows it) when destroyed.
class StdoutCapture
{
public:
    StdoutCapture();
    ~StdoutCapture();
    std::string text() const;

private:
    int saved_ = -1;
    std::string path_;
};

} // namespace brenmoor::test
