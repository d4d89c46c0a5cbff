#include "SetupJson.h"

#include "midi/SplitFields.h"

#include <cstring>
#include <stdexcept>

namespace tonwerk::cli {

namespace {

using nlohmann::json;

long long readElement(const unsigned char* at, midi::FieldKind kind) {
    switch (kind) {
    case midi::FieldKind::I32: {
        std::int32_t v = 0;
        std::memcpy(&v, at, 4);
        return v;
    }
    case midi::FieldKind::U32: {
        std::uint32_t v = 0;
        std::memcpy(&v, at, 4);
        return v;
    }
    case midi::FieldKind::I16: {
        std::int16_t v = 0;
        std::memcpy(&v, at, 2);
        return v;
    }
    case midi::FieldKind::U8:
    case midi::FieldKind::Text:
        break;
    }
    return *at;
}

void writeElement(unsigned char* at, midi::FieldKind kind, const json& value, const std::string& where) {
    if (!value.is_number_integer()) {
        throw std::invalid_argument(where + ": expected a whole number");
    }
    const long long v = value.get<long long>();
    long long low = 0;
    long long high = 255;
    switch (kind) {
    case midi::FieldKind::I32:
        low = INT32_MIN;
        high = INT32_MAX;
        break;
    case midi::FieldKind::U32:
        // A flag word: 0 to 4294967295, or the negative form older dumps printed.
        low = INT32_MIN;
        high = 0xFFFFFFFFLL;
        break;
    case midi::FieldKind::I16:
        low = INT16_MIN;
        high = INT16_MAX;
        break;
    case midi::FieldKind::U8:
    case midi::FieldKind::Text:
        break;
    }
    if (v < low || v > high) {
        throw std::invalid_argument(where + ": " + std::to_string(v) + " is out of range");
    }
    const auto raw = static_cast<std::uint32_t>(v);
    std::memcpy(at, &raw, midi::elementSize(kind));
}

nlohmann::ordered_json fieldToJson(const midi::Split& split, const midi::SplitField& field) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&split) + field.offset;
    if (field.kind == midi::FieldKind::Text) {
        return midi::fieldText(reinterpret_cast<const char*>(bytes), field.count);
    }
    if (field.count == 1) {
        return readElement(bytes, field.kind);
    }
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < field.count; ++i) {
        array.push_back(readElement(bytes + i * midi::elementSize(field.kind), field.kind));
    }
    return array;
}

void fieldFromJson(midi::Split& split, const midi::SplitField& field, const json& value, const std::string& where) {
    auto* bytes = reinterpret_cast<unsigned char*>(&split) + field.offset;
    if (field.kind == midi::FieldKind::Text) {
        if (!value.is_string()) {
            throw std::invalid_argument(where + ": expected a text");
        }
        const std::string text = value.get<std::string>();
        if (!midi::setFieldText(reinterpret_cast<char*>(bytes), field.count, text)) {
            throw std::invalid_argument(where + ": longer than " + std::to_string(field.count - 1) + " bytes");
        }
        return;
    }
    if (field.count == 1) {
        writeElement(bytes, field.kind, value, where);
        return;
    }
    if (!value.is_array() || value.size() != field.count) {
        throw std::invalid_argument(where + ": expected an array of " + std::to_string(field.count) + " numbers");
    }
    for (std::size_t i = 0; i < field.count; ++i) {
        writeElement(bytes + i * midi::elementSize(field.kind), field.kind, value[i],
                     where + "[" + std::to_string(i) + "]");
    }
}

} // namespace

nlohmann::ordered_json setupsToJson(const std::vector<midi::Setup>& setups, const std::string& name) {
    nlohmann::ordered_json out;
    out["setups"] = nlohmann::ordered_json::array();
    int slot = 0;
    for (const midi::Setup& setup : setups) {
        nlohmann::ordered_json splits = nlohmann::ordered_json::array();
        for (const midi::Split& split : setup.splits) {
            nlohmann::ordered_json object = nlohmann::ordered_json::object();
            object["video"] = nlohmann::ordered_json::object();
            object["sample"] = nlohmann::ordered_json::object();
            for (const midi::SplitField& field : midi::splitFields()) {
                nlohmann::ordered_json& target = field.block.empty() ? object : object[std::string(field.block)];
                target[std::string(field.name)] = fieldToJson(split, field);
            }
            splits.push_back(std::move(object));
        }
        nlohmann::ordered_json entry;
        entry["slot"] = slot++;
        entry["name"] = name;
        entry["splits"] = std::move(splits);
        out["setups"].push_back(std::move(entry));
    }
    return out;
}

std::vector<midi::Setup> setupsFromJson(const json& in) {
    if (!in.is_object() || !in.contains("setups") || !in["setups"].is_array() || in["setups"].empty()) {
        throw std::invalid_argument("expected {\"setups\": [ ... ]} with at least one setup");
    }
    std::vector<midi::Setup> setups;
    for (const json& setupJson : in["setups"]) {
        const int slot = static_cast<int>(setups.size());
        midi::Setup setup{};
        setup.setupNumber = slot;
        for (int i = 0; i < midi::kSplitCount; ++i) {
            midi::resetSplit(setup.splits[static_cast<std::size_t>(i)], slot, i, 4);
        }
        if (!setupJson.is_object()) {
            throw std::invalid_argument("setup " + std::to_string(slot) + ": expected an object");
        }
        for (const auto& [key, value] : setupJson.items()) {
            if (key == "slot") {
                continue;
            }
            if (key == "name") {
                if (!value.is_string() || !midi::setFieldText(setup.setupName, value.get<std::string>())) {
                    throw std::invalid_argument("setup " + std::to_string(slot) + ": bad name");
                }
            } else if (key != "splits") {
                throw std::invalid_argument("setup " + std::to_string(slot) + ": unknown key " + key);
            }
        }
        if (setupJson.contains("splits")) {
            const json& splits = setupJson["splits"];
            if (!splits.is_array() || splits.size() > midi::kSplitCount) {
                throw std::invalid_argument("setup " + std::to_string(slot) + ": splits must be up to 24 objects");
            }
            for (std::size_t i = 0; i < splits.size(); ++i) {
                const std::string where = "setup " + std::to_string(slot) + " split " + std::to_string(i);
                if (!splits[i].is_object()) {
                    throw std::invalid_argument(where + ": expected an object");
                }
                for (const auto& [key, value] : splits[i].items()) {
                    if (key == "video" || key == "sample") {
                        if (!value.is_object()) {
                            throw std::invalid_argument(
                                std::string(where).append(": ").append(key).append(" must be an object"));
                        }
                        for (const auto& [inner, innerValue] : value.items()) {
                            const midi::SplitField* field = midi::findSplitField(key, inner);
                            if (field == nullptr) {
                                throw std::invalid_argument(std::string(where)
                                                                .append(": unknown field ")
                                                                .append(key)
                                                                .append(".")
                                                                .append(inner));
                            }
                            fieldFromJson(setup.splits[i], *field, innerValue,
                                          std::string(where).append(" ").append(key).append(".").append(inner));
                        }
                        continue;
                    }
                    const midi::SplitField* field = midi::findSplitField("", key);
                    if (field == nullptr) {
                        throw std::invalid_argument(std::string(where).append(": unknown field ").append(key));
                    }
                    fieldFromJson(setup.splits[i], *field, value, std::string(where).append(" ").append(key));
                }
            }
        }
        setups.push_back(setup);
    }
    return setups;
}

} // namespace tonwerk::cli
