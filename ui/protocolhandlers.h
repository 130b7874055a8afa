#pragma once
// Where the device protocols meet the window: the reply handlers that turn datagrams into
// device records for the table, and the set-network senders. They reach the window only
// through withMainWindow() and do nothing once it is gone.

#include <string>

// JSON protocol reply (port 21089), on the endpoint's receive thread. Never throws.
void udpReceiveFun(std::string ip, const unsigned char* data, int len);
// Key-value protocol reply (port 52380), on the endpoint's receive thread. Never throws.
void udpReceiveFun_visca(std::string ip, char* data, int len);

// Broadcast new settings for the device with this MAC; nothing is awaited.
void Send_allloc_IP_To_Device(std::string mac, std::string ip, std::string mask, std::string gateway);
void SetDeviceNetworkByVisca(std::string mac, std::string ip, std::string mask, std::string gateway, std::string name);
