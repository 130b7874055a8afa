#pragma once
// A device as a reply reports it, from the decoded datagram to the record the front ends list:
// the device's own texts, bounded, and the forms they are shown in.

#include <QString>
#include <chrono>
#include <string>
#include <string_view>

struct DeviceReply;
struct KvDeviceRecord;

struct DeviceRecord
{
    QString mac, ip, submask, gateway, name; // as the device sent them (see deviceText)
    int type; // 0: JSON reply, 1: key-value reply
    // When it was received; stamped on delivery when the decoder left it unset. Only a reply
    // received after a change was sent can prove that change.
    std::chrono::steady_clock::time_point heardAt{};
};

// No real MAC, name, mask or gateway comes near this; a text beyond it is cut.
constexpr size_t kMaxDeviceTextBytes = 256;
// A generous limit: past it a Search lists no further devices.
constexpr int kMaxTableRows = 10000;
// Records waiting for the list, in the receive threads' inbox and in the table's queue each.
constexpr size_t kMaxQueuedRecords = 20000;
// The console line, once per Search, when either of them dropped records.
std::string queueFullLine();
// The console line, once per Search, when the list is full.
std::string tableFullLine();

// A text as a device sent it (UTF-8 in both protocols), cut to kMaxDeviceTextBytes at a
// character boundary. Its characters, controls included, are kept: the record is the
// device's own, and what goes back to the device (its MAC, its name) must be what it sent.
// Only bytes that are not UTF-8 at all are written as \xNN, since a QString cannot hold them.
QString deviceText(std::string_view utf8);
DeviceRecord deviceRecord(const std::string& ip, const DeviceReply& reply);
DeviceRecord deviceRecord(const std::string& ip, const KvDeviceRecord& reply);

// A device's text as a cell, a panel, a console line or an output file shows it: controls
// and the characters that reorder a line written as \xNN (escapeControls).
QString shownText(const QString& text);
// The same for the outputs that are written as bytes: console lines, CSV, JSON, records.
std::string shownString(const QString& text);

// The settings panel sends at most this many characters of a name.
constexpr int kNameCharacters = 8;
// The first `count` user-perceived characters: an emoji, a flag or a letter with its
// combining accent counts as one, so a cut never splits one and never yields invalid UTF-8.
QString firstCharacters(const QString& text, int count);
