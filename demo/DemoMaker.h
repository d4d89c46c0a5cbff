#pragma once

#include "platform/Status.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tonwerk::demo {

// Where the demo's files live below the program folder.
inline constexpr const char* kDemoStyle = "MusicStyles/Demo";

// Builds the demo into `programFolder`, the way a performer would: the style "MusicStyles/Demo"
// with its drum hits, bass notes and loops (synthesised), a "bpm.inf" of 120, and a setup
// "Setups/Demo.mks" made by the engine itself: drums on pads 1-6, the loops latched on pads 7 and
// 8, bass notes on pads 9-12, the style's clips "Clips/Test Card.avi" and "Clips/Fractal.avi" (when
// the build made them) on Video 1 and 2, and the bass tuned over keys 48-72. The same setup is
// "StartUp.mks" in the program folder, so a fresh installation starts on it. Media are named by
// their place below the program folder, so the setup finds them wherever the folder is installed.
// Returns what went wrong, with the file.
platform::Status makeDemo(const std::filesystem::path& programFolder);

// The demo's setup: which split plays what, for the maker and its tests.
struct DemoSplit {
    int split;         // 0-23
    const char* file;  // below the style folder
    const char* title; // the split's comment
};
[[nodiscard]] const std::vector<DemoSplit>& demoSplits();

} // namespace tonwerk::demo
