#pragma once
// The device protocols as they reach the one device list window through g_mPoint: a reply
// handed to the window's signal, a set-network command sent through the window's session.
// Each does nothing once the window is gone, and does its console and network work after
// letting go of the window, so a stalled terminal never holds the window's other users.

#include <string>

// JSON protocol reply (port 21089): decoded and logged, then the window's sigAddDeivce.
void udpReceiveFun(std::string ip, const unsigned char* data, int len);
// Key-value protocol reply (port 52380): the same.
void udpReceiveFun_visca(std::string ip, char* data, int len);

// Broadcast new settings for the device with this MAC; nothing is awaited.
void Send_allloc_IP_To_Device(std::string mac, std::string ip, std::string mask, std::string gateway);
void SetDeviceNetworkByVisca(std::string mac, std::string ip, std::string mask, std::string gateway, std::string name);
