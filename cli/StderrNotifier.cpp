#include "StderrNotifier.h"

#include "app/ErrorReporting.h"

namespace tonwerk::cli {

app::MessageAnswer StderrNotifier::notify(const app::MessageRequest& request) {
    const std::scoped_lock lock(m_mutex);
    if (!request.caption.empty()) {
        m_err << request.caption << ": ";
    }
    m_err << request.text << '\n' << std::flush;
    return app::defaultAnswer(request.buttons);
}

} // namespace tonwerk::cli
