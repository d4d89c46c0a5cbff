#pragma once

#include "midi/Split.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace tonwerk::cli {

// A setup or bank as JSON: {"setups": [{"slot": 0, "name": "...", "splits": [24 objects]}]}. Each
// split holds every record field by name; the video and sample blocks are objects under "video"
// and "sample"; arrays are arrays of numbers, texts are strings.
[[nodiscard]] nlohmann::ordered_json setupsToJson(const std::vector<midi::Setup>& setups, const std::string& name);

// The reverse: fields left out keep their defaults. Throws std::invalid_argument naming what is
// wrong (an unknown field, a value out of its type's range, a text too long for its field).
[[nodiscard]] std::vector<midi::Setup> setupsFromJson(const nlohmann::json& json);

} // namespace tonwerk::cli
