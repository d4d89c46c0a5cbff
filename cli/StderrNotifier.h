#pragma once

#include "core/Notifier.h"

#include <mutex>
#include <ostream>

namespace tonwerk::cli {

// The command-line host's messages: "caption: text" on the error stream, one message at a time.
// Nobody can answer, so every box takes its default answer.
class StderrNotifier final : public core::Notifier {
public:
    explicit StderrNotifier(std::ostream& err) : m_err(err) {}

    // Any thread except the audio callback; blocks briefly on the stream's mutex.
    core::MessageAnswer notify(const core::MessageRequest& request) override;

private:
    std::ostream& m_err;
    std::mutex m_mutex;
};

} // namespace tonwerk::cli
