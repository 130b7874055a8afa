// Conflicts from every ARP answer, from end to end: the real window on the lab's tool host,
// its sweep through the ARP helper of the build tree (the test runs as root), simulated devices,
// and hosts that only answer ARP (a PC at a camera's address, a proxy), some of them late
// (tools/arpresponder answers for a host whose kernel the lab silenced).
#include "tests/support/labprocess.h"
#include "tests/support/labqtestmain.h"
#include "tests/support/openwindow.h"
#include "tests/support/screenshot.h"

#include <regex>

using brenmoor::test::ArpAnswering;
using brenmoor::test::ArpResponder;
using brenmoor::test::OpenWindow;
using brenmoor::test::runInHost;
using brenmoor::test::SimulatedDevices;
using brenmoor::test::StdoutCapture;

namespace {

const QColor kConflict(250, 81, 81);

// A lab change undone however the test ends.
struct HostChange
{
    QString host, undo;
    HostChange(const QString& onHost, const QString& command, const QString& undoCommand)
        : host(onHost)
        , undo(undoCommand)
    {
        ok = runInHost(host, command);
    }
    ~HostChange()
    {
        runInHost(host, undo);
        runInHost(QStringLiteral("tool"), QStringLiteral("ip neigh flush all"));
    }
    bool ok = false;
};

const QString kSilence = QStringLiteral("sysctl -qw net.ipv4.conf.eth0.arp_ignore=8");
const QString kSpeak = QStringLiteral("sysctl -qw net.ipv4.conf.eth0.arp_ignore=$(sysctl -n net.ipv4.conf.default.arp_ignore)");

// The "找到 N 个设备" counts of the sweep's lines, in order.
std::vector<std::string> sweptCounts(const std::string& console)
{
    std::vector<std::string> counts;
    const std::regex line("  找到 ([0-9]+) 个设备");
    for (auto it = std::sregex_iterator(console.begin(), console.end(), line); it != std::sregex_iterator(); ++it)
        counts.push_back((*it)[1]);
    return counts;
}

} // namespace

class EndToEndArpAnswers : public QObject
{
    Q_OBJECT

    OpenWindow shown;

    // Presses Search and waits for its conflicts to be judged.
    void searchOnce(int rows)
    {
        QTRY_VERIFY_WITH_TIMEOUT(shown.search->isEnabled(), 10000);
        QTest::mouseClick(shown.search, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(shown.table->rowCount(), rows, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!shown.list->searchBusy, 10000);
    }

    int rowAt(const QString& ip, const QString& mac = {})
    {
        for (int row = 0; row < shown.table->rowCount(); ++row)
            if (shown.table->item(row, 2)->text() == ip && (mac.isEmpty() || shown.table->item(row, 1)->text() == mac))
                return row;
        return -1;
    }

private slots:
    void cleanup() { shown.close(); }

    void aHostThatOnlyAnswersArpAtADevicesAddressIsAConflictWhoeverAnswersFirst_data()
    {
        QTest::addColumn<bool>("pcFirst");
        QTest::newRow("the PC answers ARP at once, the camera 300 ms later") << true;
        QTest::newRow("the camera answers ARP at once, the PC 300 ms later") << false;
    }
    void aHostThatOnlyAnswersArpAtADevicesAddressIsAConflictWhoeverAnswersFirst()
    {
        QFETCH(bool, pcFirst);
        // The PC: dev5's port (02:00:5e:50:00:40) also holds the camera's address. The camera
        // answers discovery by unicast, so the tool host's kernel learns its MAC first.
        HostChange pc(QStringLiteral("dev5"), QStringLiteral("ip addr add 192.168.50.21/24 dev eth0"),
                      QStringLiteral("ip addr del 192.168.50.21/24 dev eth0"));
        QVERIFY(pc.ok);
        SimulatedDevices camera(1, {"mac=02:00:5e:50:00:21,name=CamA,proto=json,reply=unicast"});
        QVERIFY(camera.ready());
        ArpAnswering late;
        late.addresses = QStringList{QStringLiteral("192.168.50.21")};
        late.delayMs = 300;
        late.silenceKernel = true;
        ArpResponder slow(pcFirst ? 1 : 5, late);
        QVERIFY(slow.ready());

        QVERIFY(shown.open());
        StdoutCapture console;
        searchOnce(1);
        QCOMPARE(shown.conflicts->text(), QStringLiteral("Conflicts:1"));
        QCOMPARE(shown.table->item(0, 2)->foreground().color(), kConflict);
        QVERIFY2(console.text().find("Ip:192.168.50.21conflict 02:00:5e:50:00:40 02005e500021") != std::string::npos,
                 console.text().c_str());
        QVERIFY2(!slow.answers(1).isEmpty(), "the late host was asked and answered");
    }

    void aProxyIsNamedNotCountedButASecondDeviceBehindItIsAConflict()
    {
        // Three cameras whose kernels give no ARP answers; one host answers ARP for all three
        // with a MAC of its own, as a router with proxy ARP or a MAC-translating extender does.
        HostChange quiet1(QStringLiteral("dev1"), kSilence, kSpeak);
        HostChange quiet2(QStringLiteral("dev2"), kSilence, kSpeak);
        QVERIFY(quiet1.ok && quiet2.ok);
        SimulatedDevices cam1(1, {"mac=02:00:5e:50:00:21,name=Cam1,proto=json"});
        SimulatedDevices cam2(2, {"mac=02:00:5e:50:00:22,name=Cam2,proto=kv"});
        SimulatedDevices cam3(5, {"mac=02:00:5e:50:00:40,name=Cam3,proto=json"});
        QVERIFY(cam1.ready() && cam2.ready() && cam3.ready());
        ArpAnswering proxying;
        proxying.addresses = QStringList{"192.168.50.21", "192.168.50.22", "192.168.50.40"};
        proxying.mac = QStringLiteral("02:00:5e:ee:00:01");
        proxying.silenceKernel = true;
        ArpResponder proxy(5, proxying);
        QVERIFY(proxy.ready());

        QVERIFY(shown.open());
        StdoutCapture console;
        searchOnce(3);
        QCOMPARE(shown.conflicts->text(), QStringLiteral("Conflicts:0"));
        for (int row = 0; row < 3; ++row)
            QVERIFY(shown.table->item(row, 2)->foreground().color() != kConflict);
        const std::string named = "02:00:5e:ee:00:01 answers ARP for 3 devices that have MACs of their own "
                                  "(192.168.50.21, 192.168.50.22, 192.168.50.40)";
        QVERIFY2(console.text().find(named) != std::string::npos, console.text().c_str());
        QVERIFY(shown.note->isVisible());
        QVERIFY2(shown.note->text().contains(QString::fromStdString(named)), qPrintable(shown.note->text()));
        brenmoor::test::saveShot(shown.window.get(), "search-note.png");

        // A second camera at one of those addresses, behind the same proxy: a conflict.
        HostChange twin(QStringLiteral("dev2"), QStringLiteral("ip addr add 192.168.50.21/24 dev eth0"),
                        QStringLiteral("ip addr del 192.168.50.21/24 dev eth0"));
        QVERIFY(twin.ok);
        SimulatedDevices second(2, {"ip=192.168.50.21,mac=02:00:5e:50:01:21,name=Twin,proto=json"});
        QVERIFY(second.ready());
        searchOnce(4);
        QCOMPARE(shown.conflicts->text(), QStringLiteral("Conflicts:2"));
        QCOMPARE(shown.table->item(rowAt("192.168.50.21", "02:00:5e:50:00:21"), 2)->foreground().color(), kConflict);
        QCOMPARE(shown.table->item(rowAt("192.168.50.21", "02:00:5e:50:01:21"), 2)->foreground().color(), kConflict);
        QVERIFY(shown.table->item(rowAt("192.168.50.22"), 2)->foreground().color() != kConflict);
        QVERIFY(shown.table->item(rowAt("192.168.50.40"), 2)->foreground().color() != kConflict);
    }

    void aSecondSearchRightAfterTheFirstFindsEveryHostTheFirstFound()
    {
        SimulatedDevices cam(1, {"mac=02:00:5e:50:00:21,name=CamA,proto=json"});
        SimulatedDevices lobby(3, {"mac=02:00:5e:60:01:31,name=Lobby,proto=kv"});
        QVERIFY(cam.ready() && lobby.ready());
        QVERIFY(shown.open());
        StdoutCapture console;
        searchOnce(2);
        const std::vector<std::string> first = sweptCounts(console.text());
        QCOMPARE(first, (std::vector<std::string>{"3", "2"})); // every lab host of both subnets
        searchOnce(2);
        const std::string both = console.text();
        const std::vector<std::string> all = sweptCounts(both);
        QCOMPARE(all, (std::vector<std::string>{"3", "2", "3", "2"}));
        QVERIFY2(both.find("may be missed") == std::string::npos, "the helper asked: nothing to warn about");
        QVERIFY(!shown.note->isVisible());
    }
};

BM_LAB_QTEST_MAIN(EndToEndArpAnswers)
#include "test_e2e_arpanswers.moc"
