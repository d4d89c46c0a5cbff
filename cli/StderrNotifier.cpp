#include "StderrNotifier.h"

#include "core/ErrorReporting.h"

namespace tonwerk::cli {

core::MessageAnswer StderrNotifier::notify(const core::MessageRequest& request) {
    const std::scoped_lock lock(m_mutex);
    if (!request.caption.empty()) {
        m_err << request.caption << ": ";
    }
    m_err << request.text << '\n' << std::flush;
    return core::defaultAnswer(request.buttons);
}

} // namespace tonwerk::cli
