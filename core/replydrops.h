#pragma once
// What the user hears when this computer dropped replies: the kernel threw them away because
// the endpoint's receive buffer was full, which only a larger system maximum cures.

#include <cstddef>
#include <string>

// "3 replies were dropped by this computer: its receive buffer (416 KiB) was full. Raise
// net.core.rmem_max (as root: sysctl -w net.core.rmem_max=4194304) and search again";
// `receiveBufferBytes` as the system reports it (0: not known, left out). Empty when none was
// dropped.
std::string droppedRepliesLine(size_t dropped, int receiveBufferBytes);
