#include "net/netscanner.h"

#include "base/messages.h"
#include "net/arpcommand.h"
#include "net/hostinterfaces.h"
#include "net/ifaddrssource.h"
#include "net/interfacerules.h"
#include "net/pinnedsend.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#ifdef __linux__
#include <sys/syscall.h>
#endif

using brenmoor::messages::Level;
using brenmoor::messages::report;
namespace net = brenmoor::net;

namespace {

// Room left in the kernel's table for the host's other traffic while a sweep fills it.
constexpr size_t kTableHeadroom = 64;
// A fresh entry stays at least this long before the kernel may drop it for a new one: a
// further round waits that long after the one before.
constexpr std::chrono::milliseconds kEntryGuard(5200);
constexpr size_t kDefaultTableLimit = 1024;
// An entry the kernel held as stale is verified again by it (a unicast ARP) once the first
// packet to it has waited delay_first_probe_time, 5 s by default, after the probe.
constexpr std::chrono::milliseconds kKernelVerification(5800);

// Probing thousands of addresses takes a core for tens of milliseconds, just as replies flow
// into the table: the sweeping thread gives way to the window. On Linux a nice value belongs
// to one thread.
void yieldToTheWindow()
{
#ifdef __linux__
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
#endif
}

// en0 first, then en1, then by name; the addresses of one interface in the listing's order.
bool scanOrder(const ScanInterface& a, const ScanInterface& b)
{
    if (a.name == "en0" || b.name == "en0")
        return a.name == "en0" && b.name != "en0";
    if (a.name == "en1" || b.name == "en1")
        return a.name == "en1" && b.name != "en1";
    return a.name < b.name;
}

bool isLinkLocal(uint32_t ip)
{
    return (ip & 0xFFFF0000u) == 0xA9FE0000u; // 169.254.0.0/16
}

// Pins the socket to the interface; unprivileged since Linux 5.7.
bool bindToInterface(int sock, unsigned ifIndex)
{
#if defined(SO_BINDTOIFINDEX)
    const int index = static_cast<int>(ifIndex);
    return setsockopt(sock, SOL_SOCKET, SO_BINDTOIFINDEX, &index, sizeof index) == 0;
#elif defined(IP_BOUND_IF)
    const int index = static_cast<int>(ifIndex);
    return setsockopt(sock, IPPROTO_IP, IP_BOUND_IF, &index, sizeof index) == 0;
#else
    (void)sock;
    (void)ifIndex;
    return false;
#endif
}

} // namespace

bool probeHost(const std::string& ip, unsigned ifIndex)
{
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(9);
    if (inet_pton(AF_INET, ip.c_str(), &destination.sin_addr) != 1)
        return false;
    const int udp = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (udp < 0)
        return false;
    const timeval limit{0, 100000};
    setsockopt(udp, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    const unsigned char zero = 0;
    ssize_t result = -1;
    if (ifIndex == 0 || bindToInterface(udp, ifIndex))
        result = sendto(udp, &zero, 1, 0, reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
    else
        result = net::sendThroughInterface(udp, ifIndex, "", destination, &zero, 1); // the route picks the source
    close(udp);
    return result == 1;
}

std::vector<net::ArpJobResult> askInstalledArpHelper(const std::vector<net::ArpJob>& jobs, std::chrono::milliseconds listen,
                                                     std::shared_ptr<const CancelToken> cancel)
{
    const std::optional<std::string> helper = net::findArpHelper();
    if (!helper) {
        net::ArpJobResult missing;
        missing.status = net::ArpHelperStatus::Missing;
        return std::vector<net::ArpJobResult>(jobs.size(), missing);
    }
    return net::runArpHelper(*helper, jobs, listen, std::move(cancel));
}

ScanActions::ScanActions()
    : readTable(net::readNeighbours)
    , readCommand(readArpTableByCommand)
    , interfaceIndex([](const std::string& link) { return if_nametoindex(link.c_str()); })
    , isContainerBridge(net::isContainerBridge)
    , tableSize([]() -> std::optional<net::NeighbourTableSize> {
        // From the kernel, host-wide; else the setting (only the host's own namespace has it)
        // with this namespace's entries counted by the sweep.
        if (const auto size = net::readNeighbourTableSize())
            return size;
        if (const auto limit = net::neighbourTableLimit())
            return net::NeighbourTableSize{*limit, 0};
        return std::nullopt;
    })
{
}

NetScanner::NetScanner()
    : NetScanner(net::systemIfaddrs(), ScanActions())
{
}

NetScanner::NetScanner(const net::IfaddrsSource& source, ScanActions scanActions)
    : NetScanner(source, std::move(scanActions), net::platformInterfaceRules())
{
}

NetScanner::NetScanner(const net::IfaddrsSource& source, ScanActions scanActions, net::InterfaceRules rules)
    : actions(std::move(scanActions))
{
    if (!actions.pause) {
        actions.pause = [cancel = actions.cancel](std::chrono::milliseconds duration) {
            if (cancel)
                cancel->sleepFor(duration);
            else
                std::this_thread::sleep_for(duration);
        };
    }
    collectInterfaces(source, rules);
}

void NetScanner::collectInterfaces(const net::IfaddrsSource& source, net::InterfaceRules rules)
{
    const auto addresses = net::readHostAddresses(source).value_or(std::vector<net::HostAddress>{});
    for (const net::HostAddress& address : addresses) {
        uint32_t ip = 0;
        if (net::parseIpv4(address.ip, ip))
            ownAddresses.push_back(ip);
    }
    for (const net::HostAddress& address : addresses) {
        if (!net::isSwept(address, rules))
            continue;
        ScanInterface iface;
        iface.name = address.name;
        iface.link = address.link;
        iface.ip = address.ip;
        iface.mask = address.netmask.value_or("255.255.255.0");
        iface.isLoopback = (address.flags & IFF_LOOPBACK) != 0;
        iface.isUp = (address.flags & IFF_UP) && (address.flags & IFF_RUNNING);
        uint32_t ip = 0;
        uint32_t mask = 0;
        if (!net::parseIpv4(iface.ip, ip) || !net::parseIpv4(iface.mask, mask) || isLinkLocal(ip))
            continue;
        const auto dot = iface.ip.rfind('.');
        iface.prefix = iface.ip.substr(0, dot);
        if (!iface.isUp || iface.isLoopback)
            continue;
        if (actions.isContainerBridge && actions.isContainerBridge(address.link)) {
            if (std::find(skippedBridges.begin(), skippedBridges.end(), address.link) == skippedBridges.end())
                skippedBridges.push_back(address.link);
            continue;
        }
        iface.ifIndex = actions.interfaceIndex ? actions.interfaceIndex(address.link) : 0;
        list.push_back(std::move(iface));
    }
    std::stable_sort(list.begin(), list.end(), scanOrder);
    for (const ScanInterface& iface : list) {
        net::SweptAddress address{iface.name, iface.ifIndex, 0, 0};
        net::parseIpv4(iface.ip, address.ip);
        net::parseIpv4(iface.mask, address.mask);
        networks.push_back(address);
    }
}

size_t NetScanner::probeAll(const std::vector<net::ProbeTarget>& targets, size_t from, size_t to)
{
    size_t failed = 0;
    for (size_t i = from; i < to; ++i) {
        if (actions.cancel && actions.cancel->cancelled())
            break;
        if (!actions.probe(net::ipv4Text(targets[i].ip), targets[i].ifIndex))
            ++failed;
    }
    return failed;
}

void NetScanner::addEvidence(std::vector<NeighbourMap>& found, const std::string& mac, const std::string& ipText,
                             unsigned ifIndex) const
{
    uint32_t ip = 0;
    if (!net::parseIpv4(ipText, ip))
        return;
    for (size_t i = 0; i < networks.size(); ++i) {
        const net::SweptAddress& network = networks[i];
        const bool sameLink = network.ifIndex == 0 || ifIndex == 0 || ifIndex == network.ifIndex;
        if (sameLink && ip != network.ip && net::inNetwork(ip, network))
            net::addPair(found[i], mac, ipText);
    }
}

void NetScanner::collectFresh(std::vector<NeighbourMap>& found, const std::optional<std::vector<net::Neighbour>>& entries,
                              const std::function<bool(const net::Neighbour&)>& isEvidence)
{
    if (entries) {
        for (const net::Neighbour& entry : *entries) {
            if (isEvidence(entry) && entry.mac.size() == 17)
                addEvidence(found, entry.mac, entry.ip, entry.ifIndex);
        }
        return;
    }
    // No table to read (no netlink, no routing dump): the command's entries, which say
    // nothing of their age or link.
    NeighbourMap fromCommand;
    if (actions.readCommand)
        actions.readCommand(fromCommand, "");
    for (const auto& [mac, ip] : fromCommand)
        addEvidence(found, mac, ip, 0);
}

std::vector<net::ProbeTarget> NetScanner::askHelper(const std::vector<net::ProbeTarget>& plan,
                                                    std::vector<NeighbourMap>& found, SweepResult& result,
                                                    std::chrono::milliseconds shortestListen)
{
    // One job per link, cut at the helper's limit; a target without a known link stays with
    // the kernel, which routes it.
    std::vector<net::ArpJob> jobs;
    std::vector<net::ProbeTarget> left;
    std::map<unsigned, std::string> linkOf;
    for (const ScanInterface& iface : list)
        linkOf.emplace(iface.ifIndex, iface.link);
    std::map<unsigned, size_t> open; // link -> its job still taking targets
    for (const net::ProbeTarget& target : plan) {
        const auto link = linkOf.find(target.ifIndex);
        if (!actions.askArp || target.ifIndex == 0 || link == linkOf.end()) {
            left.push_back(target);
            continue;
        }
        auto slot = open.find(target.ifIndex);
        if (slot == open.end() || jobs[slot->second].targets.size() >= net::kArpHelperMaxTargets) {
            jobs.push_back({link->second, target.ifIndex, {}});
            slot = open.insert_or_assign(target.ifIndex, jobs.size() - 1).first;
        }
        jobs[slot->second].targets.push_back(target.ip);
    }
    if (!actions.askArp) {
        result.fallback = ArpFallback{net::ArpHelperStatus::Missing, {}};
        return left;
    }
    if (jobs.empty())
        return left;

    // The helper paces its requests (one every 200 us) and listens from the first: a long run
    // gets the time to send them all and hear the last answers.
    size_t longest = 0;
    for (const net::ArpJob& job : jobs)
        longest = std::max(longest, job.targets.size());
    const auto listen = std::min(std::max(shortestListen, std::chrono::milliseconds(400 + longest / 5)), net::kArpHelperMaxWait);
    const std::vector<net::ArpJobResult> answers = actions.askArp(jobs, listen, actions.cancel);
    for (size_t i = 0; i < jobs.size(); ++i) {
        const net::ArpJobResult* answered = i < answers.size() ? &answers[i] : nullptr;
        if (answered && answered->status == net::ArpHelperStatus::Answered) {
            result.askedByHelper += jobs[i].targets.size();
            for (const net::ArpAnswer& answer : answered->answers)
                addEvidence(found, answer.mac, net::ipv4Text(answer.ip), jobs[i].ifIndex);
            continue;
        }
        for (const uint32_t ip : jobs[i].targets)
            left.push_back({ip, jobs[i].ifIndex});
        // The reason that tells the user most: a missing capability before a missing program.
        const net::ArpHelperStatus why = answered ? answered->status : net::ArpHelperStatus::Failed;
        if (!result.fallback || why == net::ArpHelperStatus::NotPermitted)
            result.fallback = ArpFallback{why, answered ? answered->problem : std::string()};
    }
    return left;
}

void NetScanner::sweepByKernel(const std::vector<net::ProbeTarget>& plan, int waitSeconds, std::vector<NeighbourMap>& found,
                               SweepResult& result)
{
    // The kernel's table is shared by the whole host: probes beyond its room fail, and their
    // hosts would drop out of the check unseen.
    const std::optional<net::NeighbourTableSize> known = actions.tableSize ? actions.tableSize() : std::nullopt;
    const size_t limit = known ? known->limit : kDefaultTableLimit;
    const auto before = actions.readTable ? actions.readTable() : std::nullopt;
    // Entries the kernel drops when it needs the room (failed ones, old ones: mostly the last
    // sweep's unanswered probes) leave room; this namespace's are known, others' are not.
    const size_t ours = before ? before->size() : 0;
    const size_t reclaimable = before ? static_cast<size_t>(std::count_if(before->begin(), before->end(), [](const net::Neighbour& entry) {
        return entry.reclaimable;
    })) : 0;
    const size_t all = std::max(known ? known->entries : 0, ours);
    const size_t inUse = all - std::min(all, reclaimable);
    const size_t room = limit > inUse + kTableHeadroom ? limit - inUse - kTableHeadroom : 0;
    const size_t rounds = net::roundsFor(plan.size(), room);
    if (rounds > 1) {
        report(Level::Info,
               "The kernel's neighbour table holds " + std::to_string(limit) + " entries" + (known ? "" : " (assumed)")
                   + ", " + std::to_string(inUse) + " in use: " + std::to_string(plan.size()) + " probes are sent in "
                   + std::to_string(rounds)
                   + " rounds. To sweep in one, raise net.ipv4.neigh.default.gc_thresh3 (with gc_thresh2 and "
                   + "gc_thresh1 below it), e.g. sysctl -w net.ipv4.neigh.default.gc_thresh3="
                   + std::to_string(std::max<size_t>(4096, (inUse + plan.size() + kTableHeadroom) * 2)));
    }

    yieldToTheWindow();
    const auto sweepBegan = std::chrono::steady_clock::now();
    const auto searchBegan = std::min(actions.searchBegan.value_or(sweepBegan), sweepBegan);
    const auto since = [](std::chrono::steady_clock::time_point start) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    };
    // An entry the kernel holds as stale is checked again only by a unicast question, about
    // 5 s after the probe: the read waits for it, or a second Search would see less than the
    // first.
    size_t staleTargets = 0;
    if (before) {
        // What hosts told the kernel themselves since the Search began, before any probe
        // touched their entries.
        const auto sinceSearch = since(searchBegan);
        collectFresh(found, before,
                     [&](const net::Neighbour& entry) { return net::isLearnedDuringSearch(entry, sinceSearch); });
        std::set<std::pair<unsigned, uint32_t>> targets;
        for (const net::ProbeTarget& target : plan)
            targets.emplace(target.ifIndex, target.ip);
        for (const net::Neighbour& entry : *before) {
            uint32_t ip = 0;
            // Resolved but not confirmed lately: the probe makes the kernel check it again.
            const bool unsettled = entry.resolved && !net::isFreshEvidence(entry, std::chrono::milliseconds(0))
                                   && !net::isLearnedDuringSearch(entry, sinceSearch);
            if (unsettled && net::parseIpv4(entry.ip, ip) && targets.count({entry.ifIndex, ip}) > 0)
                ++staleTargets;
        }
    }
    auto wait = std::chrono::milliseconds(std::max(waitSeconds, 0) * 1000);
    if (staleTargets > 0 && waitSeconds > 0 && wait < kKernelVerification) {
        report(Level::Info,
               "The kernel checks " + std::to_string(staleTargets)
                   + (staleTargets == 1 ? " known host" : " known hosts")
                   + " again before it trusts them: the sweep waits "
                   + std::to_string((kKernelVerification.count() + 999) / 1000) + " s for them");
        wait = kKernelVerification;
    }
    const size_t perRound = (plan.size() + rounds - 1) / rounds;
    for (size_t round = 0; round < rounds; ++round) {
        const auto roundBegan = std::chrono::steady_clock::now();
        const size_t from = round * perRound;
        result.failedProbes += probeAll(plan, from, std::min(plan.size(), from + perRound));
        if (actions.cancel && actions.cancel->cancelled())
            break;
        if (wait.count() > 0)
            actions.pause(wait);
        if (actions.cancel && actions.cancel->cancelled())
            break;
        const auto sinceSweep = since(sweepBegan);
        collectFresh(found, actions.readTable ? actions.readTable() : std::nullopt,
                     [&](const net::Neighbour& entry) { return net::isFreshEvidence(entry, sinceSweep); });
        if (round + 1 < rounds) {
            const auto elapsed = std::chrono::steady_clock::now() - roundBegan;
            if (elapsed < kEntryGuard)
                actions.pause(std::chrono::duration_cast<std::chrono::milliseconds>(kEntryGuard - elapsed));
        }
    }
    if (result.failedProbes > 0)
        report(Level::Warning,
               std::to_string(result.failedProbes) + " of " + std::to_string(plan.size())
                   + " probes could not be sent: their hosts are missing from the conflict check");
}

SweepResult NetScanner::sweep(int waitSeconds)
{
    SweepResult result;
    if (list.empty()) {
        report(Level::Warning, "未找到可用的网络接口");
        return result;
    }
    const std::string rule(32, '=');
    report(Level::Info, rule);
    report(Level::Info, "发现 " + std::to_string(list.size()) + " 个网络接口");
    report(Level::Info, rule);
    report(Level::Info, "");
    for (const std::string& bridge : skippedBridges)
        report(Level::Info,
               "Not swept: " + bridge + ", a bridge with no physical port (containers or virtual machines)");

    std::vector<uint32_t> listed;
    if (actions.listed) {
        for (const std::string& text : actions.listed()) {
            uint32_t ip = 0;
            if (net::parseIpv4(text, ip))
                listed.push_back(ip);
        }
    }
    const std::vector<net::ProbeTarget> plan = net::planSweep(networks, listed, ownAddresses);

    std::vector<NeighbourMap> found(list.size());
    const std::vector<net::ProbeTarget> byKernel = askHelper(plan, found, result);
    if (actions.cancel && actions.cancel->cancelled())
        return result;
    if (!byKernel.empty())
        sweepByKernel(byKernel, waitSeconds, found, result);

    for (size_t i = 0; i < list.size(); ++i) {
        const ScanInterface& iface = list[i];
        report(Level::Info, "→ 扫描 " + iface.name + " (" + iface.ip + ")");
        for (const auto& [mac, ip] : found[i])
            net::addPair(result.neighbours, mac, ip);
        const size_t hosts = net::hostCount(found[i]);
        result.swept.push_back({iface.name, iface.ip, iface.ifIndex, hosts});
        report(Level::Info, "  找到 " + std::to_string(hosts) + " 个设备");
        report(Level::Info, "");
    }
    return result;
}

AddressAnswers NetScanner::ask(const std::vector<std::string>& addresses)
{
    AddressAnswers answers;
    std::vector<net::ProbeTarget> plan;
    std::set<uint32_t> asked;
    for (const std::string& text : addresses) {
        uint32_t ip = 0;
        if (!net::parseIpv4(text, ip) || !asked.insert(ip).second)
            continue;
        const auto network = std::find_if(networks.begin(), networks.end(), [ip](const net::SweptAddress& n) {
            return net::inNetwork(ip, n);
        });
        if (network == networks.end())
            answers.unaskable.push_back(net::ipv4Text(ip));
        else if (ip != network->ip) // the host's own address is no question for the wire
            plan.push_back({ip, network->ifIndex});
    }
    if (plan.empty())
        return answers;
    std::vector<NeighbourMap> found(list.size());
    SweepResult result;
    const std::vector<net::ProbeTarget> byKernel = askHelper(plan, found, result, kAskListen);
    if (!byKernel.empty() && !(actions.cancel && actions.cancel->cancelled()))
        sweepByKernel(byKernel, 1, found, result);
    answers.fallback = result.fallback;
    std::set<std::string> targets;
    for (const net::ProbeTarget& target : plan)
        targets.insert(net::ipv4Text(target.ip));
    for (const NeighbourMap& map : found) {
        for (const auto& [mac, ip] : map) {
            if (!targets.count(ip))
                continue;
            std::vector<std::string>& macs = answers.answering[ip];
            if (std::find(macs.begin(), macs.end(), mac) == macs.end())
                macs.push_back(mac);
        }
    }
    // What the kernel holds beyond the answers: a host gone since, or one that did not answer
    // in time. Either way it is no proof the address is taken now.
    if (const auto table = actions.readTable ? actions.readTable() : std::nullopt) {
        for (const net::Neighbour& entry : *table) {
            if (entry.resolved && entry.mac.size() == 17 && targets.count(entry.ip) && !answers.answering.count(entry.ip))
                answers.remembered.emplace(entry.ip, entry.mac);
        }
    }
    return answers;
}

NeighbourMap searchDeviceOneTime(std::string& unused)
{
    return searchDeviceOneTime(unused, nullptr);
}

NeighbourMap searchDeviceOneTime(std::string& /*unused*/, std::shared_ptr<const CancelToken> cancel)
{
    return sweepNetworks(net::systemIfaddrs(), ScanActions(), std::move(cancel)).neighbours;
}

AddressAnswers askAddresses(const net::IfaddrsSource& source, ScanActions actions, const std::vector<std::string>& addresses,
                            std::shared_ptr<const CancelToken> cancel)
{
    actions.cancel = cancel;
    NetScanner scanner(source, std::move(actions));
    AddressAnswers answers = scanner.ask(addresses);
    if (cancel && cancel->cancelled())
        return {};
    return answers;
}

SweepResult sweepNetworks(const net::IfaddrsSource& source, ScanActions actions, std::shared_ptr<const CancelToken> cancel)
{
    actions.cancel = cancel;
    NetScanner scanner(source, std::move(actions));
    SweepResult result = scanner.sweep(2);
    if (cancel && cancel->cancelled())
        return {}; // a scan cut short is no picture of the network
    return result;
}
