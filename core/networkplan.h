#pragma once
// A commissioning plan: one device per line, MAC,IP,MASK,GATEWAY[,NAME], an optional header
// line, blank lines and '#' comments skipped. A plan is applied whole or not at all, so it is
// checked whole first: every line's own values with the settings panel's rules, then the
// plan's lines against each other, then against the devices that answer.

#include "core/addresscheck.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

struct PlanLine
{
    int number = 0; // in the file, from 1
    std::string mac;
    std::string ip, mask, gateway; // as validated: canonical dotted decimal
    std::optional<std::string> name;
};

struct PlanProblem
{
    int line = 0;
    std::string reason;
};

struct ParsedPlan
{
    std::vector<PlanLine> lines;
    std::vector<PlanProblem> problems;
};

// Each line with the panel's checks (the report is not written), then duplicates: a MAC or
// a target IP that an earlier line already has.
ParsedPlan parsePlan(const std::string& text);

// A refused value for the MAC, IP, MASK, GATEWAY given on the command line: the panel's text,
// or the MAC's. Nothing when they may be applied; the panel's report goes to `report`.
std::optional<std::string> settingsProblem(const std::string& mac, const std::string& ip, const std::string& mask,
                                           const std::string& gateway, std::ostream& report);
