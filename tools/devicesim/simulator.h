#pragma once
// The simulator's loop: listens on both protocols' ports, lets each device answer the
// requests that reached it, records every datagram and, when told to, applies set-network
// commands to the lab host.

#include "tools/devicesim/device.h"

#include <csignal>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace devicesim {

// Set by the signal handler; the loop ends within one poll interval.
extern volatile std::sig_atomic_t stopRequested;

class Simulator
{
public:
    std::vector<Device> devices;
    FILE* record = nullptr;
    bool apply = false;

    void run();

private:
    // With one interface per device (macvlan), a broadcast arrives once per interface: each
    // device answers only the copy that reached its own.
    // The interface the device's address is on.
    std::string livesOn(const Device& d) const;
    bool reachedDevice(const Device& d) const;
    bool isOwn(const std::string& from) const;
    void write(nlohmann::json line);
    void onJson(const std::string& from, const Bytes& d);
    void onKv(const std::string& from, const Bytes& d);
    // The other devices that hold `ip` as a command for `mac` arrives: a device must never be
    // told to take an address another still holds (recorded as "heldBy").
    std::vector<std::string> holdersOf(const std::string& ip, const std::string& mac) const;
    // Moves the device named by `mac` to `ip` (ip addr on the interface that holds its old
    // address), as a real device would; `name` only from the key-value command.
    void applySettings(const std::string& mac, const std::string& ip, const std::string& mask,
                       const std::string& gateway, const std::string* name);

    long long arrival = 0; // of the datagram being handled, in nanoseconds
    unsigned arrivalInterface = 0; // the interface it came in by
};

} // namespace devicesim
