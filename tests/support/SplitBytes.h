#pragma once

#include "midi/Split.h"
#include "midi/SplitFields.h"

#include <cstring>
#include <string>
#include <vector>

namespace tonwerk::test {

// The fields in which two split records differ, by the field table's names ("sample.volume" for a
// field of a block): what a dialog's OK wrote, compared over all 944 bytes.
inline std::vector<std::string> changedFields(const midi::Split& before, const midi::Split& after) {
    std::vector<std::string> changed;
    const auto* a = reinterpret_cast<const unsigned char*>(&before);
    const auto* b = reinterpret_cast<const unsigned char*>(&after);
    for (const midi::SplitField& field : midi::splitFields()) {
        const std::size_t bytes =
            field.kind == midi::FieldKind::Text ? field.count : field.count * midi::elementSize(field.kind);
        if (std::memcmp(a + field.offset, b + field.offset, bytes) != 0) {
            changed.push_back(field.block.empty() ? std::string(field.name)
                                                  : std::string(field.block) + "." + std::string(field.name));
        }
    }
    return changed;
}

} // namespace tonwerk::test
