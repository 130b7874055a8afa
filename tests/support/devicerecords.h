#pragma once
// What a simulated device recorded (bm-devicesim --record): one JSON object per datagram it
// received, with its kind ("json-discovery", "kv-set", ...) and arrival time "t".

#include <QString>
#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

namespace brenmoor::test {

// The recorded lines whose kind contains `kind` ("-set": every set-network command).
inline std::vector<nlohmann::json> recorded(const QString& file, const std::string& kind)
{
    std::vector<nlohmann::json> lines;
    std::ifstream in(file.toStdString());
    std::string line;
    while (std::getline(in, line)) {
        const auto value = nlohmann::json::parse(line, nullptr, false);
        if (value.is_object() && value.value("kind", "").find(kind) != std::string::npos)
            lines.push_back(value);
    }
    return lines;
}

// The kinds of the set-network commands a device received, in order of arrival.
inline std::vector<std::string> recordedSetKinds(const QString& file)
{
    std::vector<std::pair<long long, std::string>> sets;
    for (const nlohmann::json& value : recorded(file, "-set"))
        sets.emplace_back(value.value("t", 0LL), value.value("kind", ""));
    std::stable_sort(sets.begin(), sets.end());
    std::vector<std::string> kinds;
    for (const auto& set : sets)
        kinds.push_back(set.second);
    return kinds;
}

} // namespace brenmoor::test
