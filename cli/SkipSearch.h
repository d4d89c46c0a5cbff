#pragma once

#include "setups/SetupFile.h"

#include <ostream>
#include <string>

namespace tonwerk::cli {

// The command-line host's "Search File" dialog: nobody can answer, so every missing media file is
// skipped (the split keeps its task, loses its file), and said so on the error stream.
class SkipSearch final : public setups::MediaSearch {
public:
    explicit SkipSearch(std::ostream& err) : m_err(err) {}
    Result search(int split, const std::string& storedPath, midi::SplitTask /*task*/) override {
        m_err << "Search File : " << storedPath << " (split " << split + 1 << "): Skip\n";
        return {};
    }

private:
    std::ostream& m_err;
};

} // namespace tonwerk::cli
