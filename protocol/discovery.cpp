#include "protocol/discovery.h"

#include "protocol/jsonpacket.h"

void sendDiscoveryRequest(DatagramSend send, uint32_t localId)
{
    const uint16_t sequence = takePacketSequence();
    const std::vector<unsigned char> request = buildDiscoveryRequest(sequence, localId);
    if (send)
        send("255.255.255.255", request.data(), request.size());
}
