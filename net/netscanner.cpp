#include "net/netscanner.h"

#include "base/consoleline.h"
#include "net/arpcommand.h"
#include "net/hostinterfaces.h"
#include "net/ifaddrssource.h"
#include "net/neighbourtable.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <fcntl.h>
#include <ifaddrs.h>
#include <map>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#ifdef __linux__
#include <sys/syscall.h>
#endif

using brenmoor::console::printLine;

namespace {

// Starting 254 probe threads takes both cores of a small laptop for tens of milliseconds, just
// as replies flow into the table: the sweeping thread, and the probes it starts (they inherit
// it), give way to the window. On Linux a nice value belongs to one thread.
void yieldToTheWindow()
{
#ifdef __linux__
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
#endif
}

// en0 first, then en1, then by name.
bool scanOrder(const ScanInterface& a, const ScanInterface& b)
{
    if (a.name == "en0" || b.name == "en0")
        return a.name == "en0" && b.name != "en0";
    if (a.name == "en1" || b.name == "en1")
        return a.name == "en1" && b.name != "en1";
    return a.name < b.name;
}

} // namespace

void probeHost(const std::string& ip)
{
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    if (inet_pton(AF_INET, ip.c_str(), &destination.sin_addr) != 1)
        return;

    const int udp = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (udp < 0)
        return;
    const timeval limit{0, 100000};
    setsockopt(udp, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(udp, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    destination.sin_port = htons(9);
    const unsigned char zero = 0;
    (void)sendto(udp, &zero, 1, 0, reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
    close(udp);

    const int tcp = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (tcp < 0)
        return;
    fcntl(tcp, F_SETFL, fcntl(tcp, F_GETFL, 0) | O_NONBLOCK);
    destination.sin_port = htons(80);
    (void)connect(tcp, reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
    close(tcp);
}

ScanActions::ScanActions()
    : readTable(readArpTable)
    , readCommand(readArpTableByCommand)
{
}

NetScanner::NetScanner()
    : NetScanner(brenmoor::net::systemIfaddrs(), ScanActions())
{
}

NetScanner::NetScanner(const brenmoor::net::IfaddrsSource& source, ScanActions scanActions)
    : NetScanner(source, std::move(scanActions), brenmoor::net::platformInterfaceRules())
{
}

NetScanner::NetScanner(const brenmoor::net::IfaddrsSource& source, ScanActions scanActions,
                       brenmoor::net::InterfaceRules rules)
    : actions(std::move(scanActions))
{
    if (!actions.pause) {
        actions.pause = [cancel = actions.cancel](int seconds) {
            if (cancel)
                cancel->sleepFor(std::chrono::seconds(seconds));
            else
                std::this_thread::sleep_for(std::chrono::seconds(seconds));
        };
    }
    collectInterfaces(source, rules);
}

void NetScanner::collectInterfaces(const brenmoor::net::IfaddrsSource& source, brenmoor::net::InterfaceRules rules)
{
    std::map<std::string, ScanInterface> byName;
    for (const brenmoor::net::HostAddress& address : brenmoor::net::readHostAddresses(source).value_or(
             std::vector<brenmoor::net::HostAddress>{})) {
        if (!brenmoor::net::isSwept(address, rules))
            continue;
        ScanInterface iface;
        iface.name = address.name;
        iface.ip = address.ip;
        if (iface.ip.find("169.254") != std::string::npos)
            continue;
        iface.mask = address.netmask.value_or("255.255.255.0");
        iface.isLoopback = (address.flags & IFF_LOOPBACK) != 0;
        iface.isUp = (address.flags & IFF_UP) && (address.flags & IFF_RUNNING);
        const auto dot = iface.ip.rfind('.');
        if (dot == std::string::npos)
            continue;
        iface.prefix = iface.ip.substr(0, dot);
        if (!iface.isUp || iface.isLoopback || iface.prefix.empty())
            continue;
        byName[iface.name] = iface; // a later address of the same interface replaces the earlier
    }
    for (auto& entry : byName)
        list.push_back(std::move(entry.second));
    std::sort(list.begin(), list.end(), scanOrder);
}

void NetScanner::sweepSubnet(const ScanInterface& iface)
{
    yieldToTheWindow();
    std::vector<std::thread> probes;
    probes.reserve(254);
    for (int host = 1; host <= 254; ++host) {
        if (actions.cancel && actions.cancel->cancelled())
            break; // the probes already started are joined below
        std::string ip = iface.prefix + "." + std::to_string(host);
        try {
            probes.emplace_back(actions.probe, ip);
        } catch (const std::system_error&) {
            // No thread to be had: probe on this thread instead, so no host is skipped.
            actions.probe(ip);
        }
    }
    for (std::thread& probe : probes)
        probe.join();
}

NeighbourMap NetScanner::scanAllInterfaces(int waitSeconds)
{
    NeighbourMap result;
    if (list.empty()) {
        printLine("未找到可用的网络接口");
        return result;
    }
    const std::string rule(32, '=');
    printLine(rule);
    printLine("发现 " + std::to_string(list.size()) + " 个网络接口");
    printLine(rule);
    printLine("");
    for (const ScanInterface& iface : list) {
        if (actions.cancel && actions.cancel->cancelled())
            break;
        printLine("→ 扫描 " + iface.name + " (" + iface.ip + ")");
        sweepSubnet(iface);
        if (waitSeconds > 0)
            actions.pause(waitSeconds);
        NeighbourMap found;
        actions.readTable(found, iface.prefix);
        if (found.empty())
            actions.readCommand(found, iface.prefix);
        for (const auto& [mac, ip] : found)
            result[mac] = ip; // a later interface wins
        printLine("  找到 " + std::to_string(found.size()) + " 个设备");
        printLine("");
    }
    return result;
}

NeighbourMap searchDeviceOneTime(std::string& unused)
{
    return searchDeviceOneTime(unused, nullptr);
}

NeighbourMap searchDeviceOneTime(std::string& /*unused*/, std::shared_ptr<const CancelToken> cancel)
{
    return searchDeviceOneTime(brenmoor::net::systemIfaddrs(), ScanActions(), std::move(cancel));
}

NeighbourMap searchDeviceOneTime(const brenmoor::net::IfaddrsSource& source, ScanActions actions,
                                 std::shared_ptr<const CancelToken> cancel)
{
    actions.cancel = cancel;
    NetScanner scanner(source, std::move(actions));
    NeighbourMap found = scanner.scanAllInterfaces(2);
    if (cancel && cancel->cancelled())
        return {}; // a scan cut short is no picture of the network
    return found;
}
