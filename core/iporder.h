#pragma once
// The order of the device list: by numeric IPv4 value, and by plain text for an address that
// is not four numbers.

#include <QString>
#include <array>

// An IP text as the list orders it. Parsed once per text, not per comparison.
struct IpOrderKey
{
    std::array<int, 4> value{};
    std::array<bool, 4> ok{};
    bool fourParts = false;

    static IpOrderKey of(const QString& text);
    // Four numeric parts: such keys compare by number only, a total order.
    bool isPlainAddress() const;
};
bool ipLess(const IpOrderKey& a, const QString& aText, const IpOrderKey& b, const QString& bText);
