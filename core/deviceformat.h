#pragma once
// The three ways the device list is written out: an aligned table for a terminal, a JSON
// array for scripts, CSV with a header line for spreadsheets. A device's texts are written as
// the console shows them, its control characters escaped.

#include "core/devicelist.h"

#include <string>
#include <vector>

enum class DeviceFormat { Table, Json, Csv };

// "json", "kv" or "json+kv".
std::string protocolsText(const ListedDevice& device);

std::string formatDevices(const std::vector<ListedDevice>& devices, DeviceFormat format);
// One CSV field, quoted when it holds a comma, a quote or a line break. A field that begins
// with =, +, -, @, a tab or a carriage return gets a leading apostrophe, so that a spreadsheet
// shows it as text instead of running it as a formula.
std::string csvField(const std::string& text);
