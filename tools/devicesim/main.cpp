// bm-devicesim: plays one or many networked devices inside a lab host.
//
// Answers JSON-protocol discovery (requests on UDP 21088, replies to port 21089 of the asker
// or of everyone, from the device's own address) and key-value discovery (UDP 52380 both
// ways), can misbehave on purpose, and records every datagram it receives, decoding
// set-network commands, each line with the datagram's arrival time "t" in nanoseconds. Its
// encoders and decoders are its own, written from the wire format, and share no code with
// the tool, so a codec fault cannot hide on both sides.
//
//   bm-devicesim [--record FILE] [--apply] --device SPEC [--device SPEC ...]
//
// SPEC is a comma-separated list of key=value:
//   ip=A.B.C.D        source address (default: the host's first non-loopback IPv4 address)
//   mac=TEXT          the MAC text the device reports, in any form (default 02:00:00:00:00:01)
//   name=TEXT         typeID (JSON) and NAME (key-value)        (default SIM)
//   kvmac=, kvname=   what the key-value replies report instead of mac= and name=
//   sn=, version=, mask=, gateway=                              (defaults SN0001, 1.0, 255.255.255.0, "")
//   proto=json|kv|both                                          (default both)
//   reply=unicast|broadcast  discovery answers to the asker, or to 255.255.255.255 out of the
//                     device's own interface, as a device without a route to the asker does
//                                                               (default unicast)
//   flood=N           the first JSON discovery it hears, it answers N more times, each time
//                     under a new MAC (06:..), as a hostile host would       (default 0)
//   dev=IFNAME        the interface the device lives on (its own macvlan, when many devices
//                     share one address); default: the one that holds ip
//   set=apply|ignore  with --apply, whether a set-network command moves this device (default
//                     apply); "ignore" plays a device that takes no command
//   misbehave=MODE    JSON: wrong-magic wrong-checksum extra-bytes long-length non-object
//                     invalid-json number-for-string missing-key command-2 short empty
//                     key-value: ack five-pairs nul no-keys
//
// --apply: a set-network command naming a device's MAC moves that device to the new address
// (ip addr on the interface that holds the old one), as a real device would. Devices that share
// an address (a box of them at one factory address) each take their own new one; the shared
// address goes with the last of them.
// --exit-with-parent: end when the process that started the simulator ends (tests).
// Prints "devicesim: ready" once listening; ends on SIGTERM or SIGINT.

#include "tools/devicesim/device.h"
#include "tools/devicesim/simulator.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <sys/prctl.h>

namespace {

void onSignal(int)
{
    devicesim::stopRequested = 1;
}

} // namespace

int main(int argc, char** argv)
{
    devicesim::Simulator sim;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--device" && i + 1 < argc)
            sim.devices.push_back(devicesim::parseDevice(argv[++i]));
        else if (arg == "--record" && i + 1 < argc) {
            sim.record = std::fopen(argv[++i], "a");
            if (!sim.record)
                devicesim::fail(std::string("cannot open ") + argv[i]);
        } else if (arg == "--apply")
            sim.apply = true;
        else if (arg == "--exit-with-parent")
            prctl(PR_SET_PDEATHSIG, SIGTERM);
        else
            devicesim::fail("usage: bm-devicesim [--record FILE] [--apply] [--exit-with-parent] --device SPEC [--device SPEC ...]");
    }
    if (sim.devices.empty())
        devicesim::fail("no --device given");
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    sim.run();
    return 0;
}
