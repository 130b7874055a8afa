#include "protocol/discovery.h"

#include "net/localinterfaces.h"
#include "protocol/jsonpacket.h"

void sendDiscoveryRequest(DatagramSend send)
{
    const uint16_t sequence = takePacketSequence();
    const uint32_t sourceId = getLocalID();
    const std::vector<unsigned char> request = buildDiscoveryRequest(sequence, sourceId);
    if (send)
        send("255.255.255.255", request.data(), request.size());
}
