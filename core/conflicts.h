#pragma once
// Conflict judgement: a listed device whose IP another listed device answers from, or the
// neighbour table shows under another MAC.

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
// Judges the entries not marked yet (against the other entries, and, for those with a row id
// of `fromRowId` or more, against `neighbours` when given), prints each conflict's line and
// marks the entry with the other MAC; returns the new conflicts (rows as row ids) for the
// caller to show.
std::vector<Conflict> markConflicts(DeviceList& list, const NeighbourMap* neighbours, int fromRowId = 0);
std::vector<Conflict> markConflicts(DeviceList& list, const NeighbourMap& neighbours, int fromRowId = 0);
