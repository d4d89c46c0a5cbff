#pragma once

#include "Status.h"

#include <cstdint>
#include <filesystem>
#include <span>

namespace tonwerk::platform {

// Writes a 24-bit bottom-up blue-green-red picture (rows padded to 4 bytes, as the frame buffers
// hold it) as a PNG file, plainly (a render's pictures need no crash-safe save). Any thread.
Status writePng(const std::filesystem::path& path, std::span<const std::uint8_t> pixels, int width, int height);

} // namespace tonwerk::platform
