#include "tests/support/labprocess.h"

#include "tests/support/labguard.h"

#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

#if !defined(BM_DEVICESIM_PATH) || !defined(BM_LAB_SCRIPT)
#error "BM_DEVICESIM_PATH and BM_LAB_SCRIPT must name the simulator and the lab script"
#endif

namespace brenmoor::test {

SimulatedDevices::SimulatedDevices(int host, const QStringList& deviceSpecs, const QString& recordFile, bool apply)
    : SimulatedDevices(QStringLiteral("dev") + QString::number(host), deviceSpecs, recordFile, apply)
{
}

SimulatedDevices::SimulatedDevices(const QString& hostName, const QStringList& deviceSpecs, const QString& recordFile,
                                   bool apply)
    : process_(std::make_unique<QProcess>())
{
    QStringList arguments{QStringLiteral("netns"), QStringLiteral("exec"),
                          QString::fromStdString(labPrefix()) + QLatin1Char('-') + hostName,
                          QStringLiteral(BM_DEVICESIM_PATH)};
    if (!recordFile.isEmpty())
        arguments << QStringLiteral("--record") << recordFile;
    if (apply) {
        arguments << QStringLiteral("--apply");
        if (hostName.startsWith(QStringLiteral("dev")))
            resetCommand_ = std::string(BM_LAB_SCRIPT) + " dev-reset " + hostName.mid(3).toStdString() + " >/dev/null 2>&1";
    }
    // A test that dies must not leave its devices running, nor holding its output open.
    arguments << QStringLiteral("--exit-with-parent");
    for (const QString& spec : deviceSpecs)
        arguments << QStringLiteral("--device") << spec;
    process_->setProcessChannelMode(QProcess::SeparateChannels);
    process_->setStandardErrorFile(QProcess::nullDevice());
    process_->start(QStringLiteral("ip"), arguments);
    if (!process_->waitForStarted(3000))
        return;
    QByteArray seen;
    for (int i = 0; i < 50 && !seen.contains("devicesim: ready"); ++i) {
        process_->waitForReadyRead(100);
        seen += process_->readAllStandardOutput();
    }
    ready_ = seen.contains("devicesim: ready");
}

SimulatedDevices::~SimulatedDevices()
{
    process_->terminate();
    if (!process_->waitForFinished(2000))
        process_->kill();
    // Devices that took new addresses give them back, so the next test finds the lab as built.
    if (!resetCommand_.empty())
        std::system(resetCommand_.c_str());
}

namespace {

// The specs of the n devices of many host `net`.
QStringList manyDeviceSpecs(int net, int n)
{
    // The lab script owns the scheme the many hosts are built with.
    QProcess lab;
    lab.start(QStringLiteral(BM_LAB_SCRIPT), {QStringLiteral("many-specs"), QString::number(net), QString::number(n)});
    if (!lab.waitForFinished(10000) || lab.exitCode() != 0)
        return {};
    return QString::fromUtf8(lab.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool buildManyHosts(int perNetwork, int networks)
{
    const std::string command = std::string(BM_LAB_SCRIPT) + " many " + std::to_string(perNetwork) + " "
        + std::to_string(networks) + " >/dev/null";
    return std::system(command.c_str()) == 0;
}

// Also forgets the devices' neighbour entries, leaving the lab as the other tests know it.
void removeManyHosts()
{
    std::system((std::string(BM_LAB_SCRIPT) + " many-down; ip neigh flush all").c_str());
}

} // namespace

ManyDevices::ManyDevices(int perNetwork, int networks, const QString& recordFolder, bool apply)
{
    if (!buildManyHosts(perNetwork, networks))
        return;
    for (int net = 1; net <= networks; ++net) {
        const QString host = QStringLiteral("many%1").arg(net);
        const QString record = recordFolder.isEmpty() ? QString() : recordFolder + QLatin1Char('/') + host + QStringLiteral(".jsonl");
        hosts.push_back(std::make_unique<SimulatedDevices>(host, manyDeviceSpecs(net, perNetwork), record, apply));
        if (!hosts.back()->ready())
            return;
    }
    ready_ = true;
}

ManyDevices::~ManyDevices()
{
    hosts.clear();
    removeManyHosts();
}

FleetDevices::FleetDevices(int count, const QString& address, const QString& recordFile, int ignoring, bool row)
{
    const std::string build = std::string(BM_LAB_SCRIPT) + " fleet " + std::to_string(count) + " "
        + address.toStdString() + (row ? " row" : "") + " >/dev/null";
    if (std::system(build.c_str()) != 0)
        return;
    QProcess lab;
    QStringList arguments{QStringLiteral("fleet-specs"), QString::number(count), address};
    if (row)
        arguments << QStringLiteral("row");
    lab.start(QStringLiteral(BM_LAB_SCRIPT), arguments);
    if (!lab.waitForFinished(10000) || lab.exitCode() != 0)
        return;
    QStringList specs = QString::fromUtf8(lab.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (int i = 0; i < ignoring && i < specs.size(); ++i)
        specs[i] += QStringLiteral(",set=ignore");
    devices = std::make_unique<SimulatedDevices>(QStringLiteral("fleet"), specs, recordFile, true);
    ready_ = devices->ready() && specs.size() == count;
}

FleetDevices::~FleetDevices()
{
    devices.reset();
    std::system((std::string(BM_LAB_SCRIPT) + " fleet-down").c_str());
}

QString FleetDevices::mac(int i)
{
    return QString::asprintf("02:00:5e:02:%02x:%02x", i / 256, i % 256);
}

long udpReceiveBufferErrors()
{
    std::ifstream snmp("/proc/net/snmp");
    std::string line, header, values;
    while (std::getline(snmp, line)) {
        if (line.rfind("Udp: ", 0) == 0)
            (header.empty() ? header : values) = line;
    }
    std::istringstream names(header), numbers(values);
    std::string name, number;
    while (names >> name && numbers >> number)
        if (name == "RcvbufErrors")
            return std::stol(number);
    return -1;
}

bool runInHost(const QString& host, const QString& command)
{
    std::string quoted; // the command as one single-quoted shell word, its own quotes kept
    for (const char c : command.toStdString())
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    const std::string full = "ip netns exec " + labPrefix() + "-" + host.toStdString() + " sh -c '" + quoted + "'";
    return std::system(full.c_str()) == 0;
}

StdoutCapture::StdoutCapture(int descriptor)
    : descriptor_(descriptor)
{
    char name[] = "/tmp/bm-console-XXXXXX";
    const int file = mkstemp(name);
    path_ = name;
    std::fflush(nullptr);
    saved_ = dup(descriptor_);
    dup2(file, descriptor_);
    close(file);
}

StdoutCapture::~StdoutCapture()
{
    std::fflush(nullptr);
    dup2(saved_, descriptor_);
    close(saved_);
    const std::string seen = text();
    if (write(descriptor_ == 1 ? 2 : descriptor_, seen.data(), seen.size()) < 0) {
        // nothing left to tell it to
    }
    unlink(path_.c_str());
}

std::string StdoutCapture::text() const
{
    std::fflush(nullptr);
    std::ifstream in(path_);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

#ifndef BM_ARPRESPONDER_PATH
#error "BM_ARPRESPONDER_PATH must name the ARP responder"
#endif

namespace {

bool setArpSilence(const QString& hostName, const QString& interfaceName, bool on)
{
    QProcess lab;
    lab.setProcessChannelMode(QProcess::ForwardedChannels);
    lab.start(QStringLiteral(BM_LAB_SCRIPT), {QStringLiteral("arp-silence"), hostName, interfaceName,
                                              on ? QStringLiteral("on") : QStringLiteral("off")});
    return lab.waitForFinished(10000) && lab.exitStatus() == QProcess::NormalExit && lab.exitCode() == 0;
}

// The responder's complete "answered" lines in `output`: a line still being written is not one yet.
QStringList answerLines(const QByteArray& output)
{
    QStringList lines;
    const QList<QByteArray> parts = output.left(output.lastIndexOf('\n') + 1).split('\n');
    for (const QByteArray& line : parts)
        if (line.startsWith("answered "))
            lines << QString::fromUtf8(line);
    return lines;
}

} // namespace

ArpResponder::ArpResponder(int host, const ArpAnswering& answering)
    : ArpResponder(QStringLiteral("dev") + QString::number(host), answering)
{
}

ArpResponder::ArpResponder(const QString& hostName, const ArpAnswering& answering)
    : process_(std::make_unique<QProcess>())
    , hostName_(hostName)
    , answering_(answering)
{
    if (answering_.silenceKernel) {
        silenced_ = setArpSilence(hostName_, answering_.interfaceName, true);
        if (!silenced_)
            return;
    }
    QStringList arguments{QStringLiteral("netns"), QStringLiteral("exec"),
                          QString::fromStdString(labPrefix()) + QLatin1Char('-') + hostName_,
                          QStringLiteral(BM_ARPRESPONDER_PATH), QStringLiteral("--interface"), answering_.interfaceName,
                          QStringLiteral("--answer"), answering_.addresses.join(QLatin1Char(',')),
                          QStringLiteral("--delay"), QString::number(answering_.delayMs),
                          // A test that dies must not leave it answering.
                          QStringLiteral("--exit-with-parent")};
    if (!answering_.mac.isEmpty())
        arguments << QStringLiteral("--mac") << answering_.mac;
    // What it has to say about a bad command line or a reply it could not send belongs in
    // the test's own output.
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_->start(QStringLiteral("ip"), arguments);
    if (!process_->waitForStarted(3000))
        return;
    for (int i = 0; i < 50 && !output_.contains("bm-arpresponder: ready\n"); ++i) {
        process_->waitForReadyRead(100);
        output_ += process_->readAllStandardOutput();
    }
    ready_ = output_.contains("bm-arpresponder: ready\n");
}

ArpResponder::~ArpResponder()
{
    process_->terminate();
    if (!process_->waitForFinished(2000))
        process_->kill();
    if (silenced_)
        setArpSilence(hostName_, answering_.interfaceName, false);
    // The MACs it answered with are no lab host's: the next test must not find them.
    QStringList flush;
    for (const QString& address : answering_.addresses)
        flush << QStringLiteral("ip neigh flush to ") + address;
    if (!flush.isEmpty())
        runInHost(QStringLiteral("tool"), flush.join(QStringLiteral("; ")));
}

QStringList ArpResponder::answers(int atLeast)
{
    output_ += process_->readAllStandardOutput();
    for (int i = 0; i < 50 && answerLines(output_).size() < atLeast; ++i) {
        process_->waitForReadyRead(100);
        output_ += process_->readAllStandardOutput();
    }
    return answerLines(output_);
}

} // namespace brenmoor::test
