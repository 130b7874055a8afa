#include "protocol/setnetwork.h"

#include "protocol/jsonpacket.h"
#include "protocol/kvframe.h"

std::string kvSetNetworkFrame(const NetworkSettings& settings)
{
    return buildViscaString({{"MAC", settings.mac},
                             {"IPADR", settings.ip},
                             {"MASK", settings.mask},
                             {"GATEWAY", settings.gateway},
                             {"NAME", settings.name}});
}

std::vector<unsigned char> jsonSetNetworkPacket(const NetworkSettings& settings, uint32_t localId)
{
    const std::string payload = serializeNetParam(settings.mac, settings.ip, settings.mask, settings.gateway);
    const uint16_t sequence = takePacketSequence();
    if (payload.size() > kPacketBufferSize - kPacketHeaderSize)
        return {};
    return buildSetNetworkPacket(payload, sequence, localId);
}
