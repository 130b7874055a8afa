#pragma once
// The three ways `discover` prints its devices on standard output: an aligned table for a
// terminal, a JSON array for scripts, CSV with a header line for spreadsheets. The texts
// are the records' own, already escaped where a device sent control characters.

#include "core/devicelist.h"

#include <string>
#include <vector>

enum class DeviceFormat { Table, Json, Csv };

// "json", "kv" or "json+kv".
std::string protocolsText(const ListedDevice& device);

std::string formatDevices(const std::vector<ListedDevice>& devices, DeviceFormat format);
// One CSV field, quoted when it holds a comma, a quote or a line break.
std::string csvField(const std::string& text);
