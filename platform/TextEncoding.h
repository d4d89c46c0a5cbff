#pragma once

#include <string>
#include <string_view>

namespace tonwerk::platform {

// Old setup and settings files come from a Windows program and hold Windows-1252 text. Tonwerk works
// in UTF-8; bytes that are not valid UTF-8 are taken as Windows-1252.

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
[[nodiscard]] bool isValidUtf8(std::string_view bytes);

// Converts Windows-1252 bytes to UTF-8. The five bytes Windows-1252 leaves undefined map to the
// C1 control code points of the same value, so no byte is ever lost.
[[nodiscard]] std::string windows1252ToUtf8(std::string_view bytes);

// UTF-8 as it stands when valid, else the bytes read as Windows-1252.
[[nodiscard]] std::string decodeLegacyText(std::string_view bytes);

} // namespace tonwerk::platform
