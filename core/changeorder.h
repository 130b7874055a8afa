#pragma once
// The order a batch of changes goes out in. No device is ever told to take an address
// another device holds at that moment: a change whose new address is the present address of
// another device of the batch, which leaves it, waits until that device has been proven at
// its own new address.

#include <QString>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct ChangeStep
{
    QString mac;
    std::string currentIp; // canonical; what the device answers from now
    std::string targetIp;  // canonical
};

struct ChangeOrder
{
    // For each step, the steps whose devices must leave its new address first.
    std::vector<std::vector<size_t>> waitsFor;
    // Steps that wait on each other all round (a swap): none of them can go first.
    std::vector<size_t> ring;
};

ChangeOrder orderChanges(const std::vector<ChangeStep>& steps);
