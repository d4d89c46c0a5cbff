#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace tonwerk::midi {

// Every field of the 944-byte split record by name, offset and kind: the one description that the
// setup dump, the setup maker and the route scripts share. The fields tile the record exactly;
// reserved words are named "reserved<offset>" with the offset in the record.
// U32 marks flag and bit-field words: shown unsigned, and set from either form.
enum class FieldKind { I32, U32, I16, U8, Text };

struct SplitField {
    std::string_view name;
    std::string_view block; // "", "video" or "sample"
    FieldKind kind;
    std::size_t offset; // in the record
    std::size_t count;  // elements (array fields > 1); for Text the field's size in bytes
};

[[nodiscard]] std::span<const SplitField> splitFields();

// The field of that name in that block ("" for the split's own fields), or nullptr.
[[nodiscard]] const SplitField* findSplitField(std::string_view block, std::string_view name);

[[nodiscard]] std::size_t elementSize(FieldKind kind);

// Whether a field element of `kind` can hold `value`: signed values, or unsigned ones up to its
// width (a 32-bit field takes -2147483648 to 4294967295, a 16-bit one -32768 to 65535, a byte 0 to 255).
[[nodiscard]] bool fieldHolds(FieldKind kind, long long value);

} // namespace tonwerk::midi
