#pragma once
// The three ways the device list is written out: an aligned table for a terminal, a JSON
// array for scripts, CSV with a header line for spreadsheets. A device's texts are written as
// the console shows them, its control characters escaped.

#include "core/devicelist.h"

#include <string>
#include <vector>

// NetBoxCsv: the columns NetBox's bulk import of IP addresses takes.
enum class DeviceFormat { Table, Json, Csv, NetBoxCsv };

// "json", "kv" or "json+kv".
std::string protocolsText(const ListedDevice& device);
// The protocols a device answered in, as JSON outputs and site records list them.
std::vector<std::string> protocolNames(bool json, bool kv);

// Each format names each device's maker (the MAC's registry entry, once the table is read).
// CSV and JSON add each device's change status ("answered", "pending", "unproven",
// "proven") and the planned IP, mask and gateway where a change was sent.
std::string formatDevices(const std::vector<ListedDevice>& devices, DeviceFormat format);
// Rows whose texts are already escaped: columns as wide as their widest text in characters
// (code points; the terminal's cells for wide scripts are not counted), two spaces apart.
std::string alignedText(const std::vector<std::vector<std::string>>& rows);
// The same as CSV lines, each field through csvField.
std::string csvText(const std::vector<std::vector<std::string>>& rows);
// One CSV field, quoted when it holds a comma, a quote or a line break. A field that begins
// with =, +, -, @, a tab or a carriage return gets a leading apostrophe, so that a spreadsheet
// shows it as text instead of running it as a formula.
std::string csvField(const std::string& text);
