#pragma once
// Network tests run only inside the lab's tool host namespace, never in the machine's own
// network. A test binary that sends packets calls requireLabNamespace() before anything else.

#include <string>

namespace brenmoor::test {

// The lab prefix ($BM_LAB, default "bmlab").
std::string labPrefix();

// True when this process's network namespace is the lab's tool host.
bool insideLabNamespace();

// Exits the process with a message (status 77) unless insideLabNamespace().
void requireLabNamespace(const char* testName);

} // namespace brenmoor::test
