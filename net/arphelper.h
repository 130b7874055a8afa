#pragma once
// The ARP helper, seen from the tool: a small program of its own, holding the one capability
// to send ARP requests and read every ARP reply (the kernel's table keeps one MAC per address,
// so only such a program sees two hosts answering for one address). One run per interface,
// all at once; what each heard comes back as address, MAC and time.

#include "base/canceltoken.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brenmoor::net {

// The helper's own limits: what it refuses beyond them.
constexpr size_t kArpHelperMaxTargets = 4096;
constexpr std::chrono::milliseconds kArpHelperMaxWait{5000};

// Which addresses to ask on one interface.
struct ArpJob
{
    std::string link; // the interface's name, as the helper opens it
    unsigned ifIndex = 0;
    std::vector<uint32_t> targets; // host order, each inside one of the link's networks
};

struct ArpAnswer
{
    uint32_t ip = 0;
    std::string mac; // "xx:xx:xx:xx:xx:xx", lower case
    unsigned milliseconds = 0; // after the first request
};

enum class ArpHelperStatus {
    Answered,     // the run went to its end: `answers` is everything heard
    Missing,      // no helper program where the tool looks for it
    NotPermitted, // the helper lacks its capability
    Failed,       // it refused or broke off; `problem` says why
};

struct ArpJobResult
{
    ArpHelperStatus status = ArpHelperStatus::Failed;
    std::vector<ArpAnswer> answers;
    std::string problem; // the helper's own first line on standard error, when it gave one
};

// Where the helper is: $BRENMOOR_ARP_HELPER when set (empty: none), else
// <this program's folder>/../libexec/brenmoor/brenmoor-arp when that file exists.
std::optional<std::string> findArpHelper();

// The answers of one run's standard output ("IP MAC MS" lines, then "done REQUESTS DROPPED");
// nothing when the closing line is missing (the run broke off). Lines that do not parse and
// answers for addresses outside `targets` (sorted) are left out.
std::optional<std::vector<ArpAnswer>> parseArpHelperOutput(const std::string& text, const std::vector<uint32_t>& targets);

// Runs `helper` once per job, all at once, each listening for `wait`; every result in the jobs'
// order. A cancelled run ends its helpers at once and counts as failed.
std::vector<ArpJobResult> runArpHelper(const std::string& helper, const std::vector<ArpJob>& jobs,
                                       std::chrono::milliseconds wait, std::shared_ptr<const CancelToken> cancel);

} // namespace brenmoor::net
