#pragma once

#include "setups/SetupFile.h"

namespace tonwerk::ui {

// The setup loader's "Search File" question goes to the screen now shown; with no screen (between
// screens, before the first) a missing file is skipped, as nobody can be asked. UI thread.
class MediaSearchRelay final : public setups::MediaSearch {
public:
    void setTarget(setups::MediaSearch* target) { m_target = target; }
    Result search(int split, const std::string& storedPath, midi::SplitTask task) override {
        return m_target != nullptr ? m_target->search(split, storedPath, task) : Result{};
    }

private:
    setups::MediaSearch* m_target = nullptr;
};

} // namespace tonwerk::ui
