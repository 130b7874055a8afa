#pragma once
// The key-value protocol's frame: 0x02, then key ':' value 0xFF per pair, then 0x03.
// No length, checksum or escaping.

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

std::string buildViscaString(const std::vector<std::pair<std::string, std::string>>& pairs);

// Never fails: missing framing bytes are tolerated, segments without ':' skipped, the last
// occurrence of a key wins, and a value keeps every ':' after the first.
std::unordered_map<std::string, std::string> parseViscaString(const std::string& frame);

// "\x02ENQ:network\xff\x03"
const std::string& kvDiscoveryRequest();
