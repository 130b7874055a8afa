#include "tools/devicesim/device.h"

#include "tools/devicesim/hostnet.h"

#include <cstdio>
#include <cstdlib>

namespace devicesim {

[[noreturn]] void fail(const std::string& message)
{
    std::fprintf(stderr, "devicesim: %s\n", message.c_str());
    std::exit(2);
}

Device parseDevice(const std::string& spec)
{
    Device d;
    size_t start = 0;
    while (start <= spec.size()) {
        size_t end = spec.find(',', start);
        if (end == std::string::npos)
            end = spec.size();
        const std::string item = spec.substr(start, end - start);
        start = end + 1;
        if (item.empty())
            continue;
        const size_t eq = item.find('=');
        if (eq == std::string::npos)
            fail("bad device item: " + item);
        const std::string key = item.substr(0, eq);
        const std::string value = item.substr(eq + 1);
        if (key == "ip") d.ip = value;
        else if (key == "mac") d.mac = value;
        else if (key == "name") d.name = value;
        else if (key == "sn") d.sn = value;
        else if (key == "version") d.version = value;
        else if (key == "mask") d.mask = value;
        else if (key == "gateway") d.gateway = value;
        else if (key == "misbehave") d.misbehave = value;
        else if (key == "flood") d.flood = std::atoi(value.c_str());
        else if (key == "reply") {
            if (value != "unicast" && value != "broadcast")
                fail("reply must be unicast or broadcast");
            d.broadcastReply = value == "broadcast";
        }
        else if (key == "dev") d.interfaceName = value;
        else if (key == "set") {
            if (value != "apply" && value != "ignore")
                fail("set must be apply or ignore");
            d.ignoreSettings = value == "ignore";
        }
        else if (key == "kvmac") d.kvMac = value;
        else if (key == "kvname") d.kvName = value;
        else if (key == "proto") {
            d.json = value == "json" || value == "both";
            d.kv = value == "kv" || value == "both";
            if (!d.json && !d.kv)
                fail("proto must be json, kv or both");
        } else
            fail("unknown device key: " + key);
    }
    if (d.ip.empty())
        d.ip = firstHostAddress();
    return d;
}

} // namespace devicesim
