#pragma once
// The reply handlers of the two device protocols: a datagram in, a device record out to
// `sink`, on the endpoint's receive thread. They log as the window always has and never throw.

#include "core/devicerecord.h"

#include <functional>
#include <string>

using DeviceSink = std::function<void(const DeviceRecord& record)>;

// JSON protocol reply (port 21089).
void udpReceiveFun(std::string ip, const unsigned char* data, int len, const DeviceSink& sink);
// Key-value protocol reply (port 52380).
void udpReceiveFun_visca(std::string ip, char* data, int len, const DeviceSink& sink);
