#pragma once
// A host without interfaces and a neighbour scan that probes nothing: a window built on it
// sends nothing and needs neither root nor the lab.

#include "app/ctopwidget.h"
#include "net/netscanner.h"
#include "tests/support/fakeifaddrs.h"
#include "ui/mainwindow.h"

namespace brenmoor::test {

struct QuietHost
{
    FakeInterfaces none;
    const brenmoor::net::IfaddrsSource interfaces = none.source();

    static ScanActions scan()
    {
        ScanActions actions;
        actions.probe = [](const std::string&, unsigned) { return true; };
        actions.readTable = [] { return std::vector<brenmoor::net::Neighbour>{}; };
        actions.readCommand = [](NeighbourMap&, const std::string&) {};
        actions.pause = [](std::chrono::milliseconds) {};
        return actions;
    }

    // For the top-level window: its device list on this host.
    DeviceWindowMaker deviceWindow()
    {
        return [this](QWidget* parent) { return new mainwindow(parent, interfaces, scan()); };
    }
};

} // namespace brenmoor::test
