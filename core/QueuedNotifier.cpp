#include "QueuedNotifier.h"

#include "ErrorReporting.h"

#include <string>
#include <utility>

namespace tonwerk::core {

MessageAnswer QueuedNotifier::notify(const MessageRequest& request) {
    if (m_owner.onOwnerThread()) {
        deliver(); // earlier messages first
        return m_target.notify(request);
    }
    const std::lock_guard guard(m_lock);
    if (m_queue.size() < kMaxQueued) {
        m_queue.push_back(request);
    } else {
        ++m_dropped;
    }
    return defaultAnswer(request.buttons);
}

void QueuedNotifier::deliver() {
    for (;;) {
        MessageRequest next;
        std::size_t dropped = 0;
        {
            const std::lock_guard guard(m_lock);
            if (m_queue.empty()) {
                dropped = std::exchange(m_dropped, 0);
                if (dropped == 0) {
                    return;
                }
            } else {
                next = std::move(m_queue.front());
                m_queue.pop_front();
            }
        }
        if (dropped > 0) {
            m_target.notify(
                messageOf(MessageKind::Notice, std::to_string(dropped) + " further messages were not shown."));
            return;
        }
        m_target.notify(next);
    }
}

std::size_t QueuedNotifier::queued() const {
    const std::lock_guard guard(m_lock);
    return m_queue.size();
}

} // namespace tonwerk::core
