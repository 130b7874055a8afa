#pragma once
// Conflict judgement: a listed device whose IP another listed device answers from, or where
// ARP answers come from another MAC than the device's own (two MACs answering for one address
// included). A proxy, one MAC answering ARP for many devices, is named instead of counted.

#include "net/neighbourmap.h"

#include <QString>
#include <optional>
#include <string>
#include <vector>

class DeviceList;

// The line printed when the neighbour table shows a row's IP under another MAC; nothing when
// the MAC is the row's own. The MAC texts compare without ':' and '-', ignoring case; the
// line shows them as the console does (escapeControls).
std::optional<std::string> conflictLine(const QString& rowMac, const QString& rowIp, const std::string& neighbourMac,
                                        const std::string& neighbourIp);

struct JudgedRow
{
    QString mac, ip;
};

struct Conflict
{
    int row = 0;              // index into the rows judged
    std::string neighbourMac; // the first other MAC the table shows at the row's IP, in MAC order
    std::string line;         // its console line
};

// Each row whose IP the map shows under another MAC, once, in the rows' order.
std::vector<Conflict> judgeConflicts(const NeighbourMap& neighbours, const std::vector<JudgedRow>& rows);
// The same over the list's entries in list order, those with a row id of `fromRowId` or more
// (the ones listed since an earlier judgement); `row` is then the entry's row id.
std::vector<Conflict> judgeConflicts(const NeighbourMap& neighbours, const DeviceList& list, int fromRowId = 0);
// Entries that answer from one IP under different MACs: each one not marked yet, in list
// order, with the first other MAC (in the console's form, lower case with ':') listed there.
// Needs no sweep: devices outside the host's networks, at one factory address, are found too.
std::vector<Conflict> judgeReplyConflicts(const DeviceList& list);
// A host that answers ARP for several addresses whose listed devices name MACs of their own:
// a router with proxy ARP, or a Wi-Fi extender that translates MACs.
struct ArpProxy
{
    std::string mac;
    std::vector<std::string> addresses; // in the list's order
};
constexpr size_t kProxyAddresses = 3;
// The proxies among `neighbours`, in MAC order.
std::vector<ArpProxy> findArpProxies(const NeighbourMap& neighbours, const DeviceList& list);
// `neighbours` without the answers of `proxies`: behind a proxy, only a second host's own
// answer is a conflict.
NeighbourMap withoutProxies(const NeighbourMap& neighbours, const std::vector<ArpProxy>& proxies);
// "02:00:5e:0a:00:01 answers ARP for 3 devices that have MACs of their own (...): ..."
std::string proxyLine(const ArpProxy& proxy);

// Judges the entries not marked yet (against the other entries, and, for those with a row id
// of `fromRowId` or more, against `neighbours` when given), prints each conflict's line and
// marks the entry with the other MAC; returns the new conflicts (rows as row ids) for the
// caller to show. The answers of proxies are left out of the judgement; `proxies`, when
// given, gets them (the caller names them once).
std::vector<Conflict> markConflicts(DeviceList& list, const NeighbourMap* neighbours, int fromRowId = 0,
                                    std::vector<ArpProxy>* proxies = nullptr);
std::vector<Conflict> markConflicts(DeviceList& list, const NeighbourMap& neighbours, int fromRowId = 0,
                                    std::vector<ArpProxy>* proxies = nullptr);
// After a device left `ip`: each entry still marked there whose conflict is gone (no other
// entry answers from `ip`, and the evidence, proxies left out, names no other MAC there) loses
// its mark. Returns their row ids.
std::vector<int> clearSettledConflicts(DeviceList& list, const NeighbourMap* neighbours, const QString& ip);
