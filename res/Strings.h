#pragma once

#include <string_view>

namespace tonwerk::res {

// The program's string table: every message, caption and label that is addressed by a numeric
// identifier. Texts are exactly the program's own (German and English as they stand); "\n", "\r"
// and "\t" are the control characters. Lookup is a binary search over a constant table, so it is
// safe from any thread and never allocates.

// Identifiers used by name in the code; every other entry is looked up by its number.
namespace StringId {
inline constexpr int kProgramTitle = 3000;
inline constexpr int kCaptionNotice = 3004;
inline constexpr int kCaptionWarning = 3005;
inline constexpr int kCaptionError = 3006;
inline constexpr int kCaptionFatalError = 3007;
inline constexpr int kCaptionConfirm = 3008;
inline constexpr int kUnknownError = 3009;
inline constexpr int kKeyboardLabelsGerman = 3150;
inline constexpr int kKeyboardLabelsUs = 3151;
inline constexpr int kNoMediaLoaded = 3312;
inline constexpr int kGraphicWindowNotEnded = 8324;
} // namespace StringId

struct StringEntry {
    int id;
    std::string_view text;
};

// The text of `id`, or an empty view when the table has no such entry.
[[nodiscard]] std::string_view loadString(int id);

// True when the table has an entry for `id` (an entry may hold an empty text).
[[nodiscard]] bool hasString(int id);

// All entries in ascending identifier order.
[[nodiscard]] const StringEntry* stringTableBegin();
[[nodiscard]] const StringEntry* stringTableEnd();

} // namespace tonwerk::res
