#pragma once
// How a change run's outcomes are written out by brenmoor-cli set, apply and assign: an
// aligned table for a terminal, or one JSON object or CSV line per device, so a script need
// not parse the table.

#include "core/changerun.h"
#include "core/deviceformat.h"

#include <string>
#include <vector>

// The table's RESULT: "verified", "not verified: ...", "not sent: ...", "set", ...
std::string resultText(const ChangeOutcome& outcome, std::chrono::milliseconds limit);

std::string formatOutcomes(const std::vector<ChangeOutcome>& outcomes, DeviceFormat format, std::chrono::milliseconds limit);
