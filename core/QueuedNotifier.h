#pragma once

#include "Notifier.h"
#include "ThreadCheck.h"

#include <cstddef>
#include <deque>
#include <mutex>

namespace tonwerk::core {

// Makes any Notifier safe for the engines' threads: a message asked for on the owner thread (the
// dispatcher's) is shown at once; one asked for on any other thread is queued, the caller gets the
// box's default answer at once and goes on, and the owner shows it at its next deliver(). At most
// kMaxQueued messages wait; beyond that they are counted and the count is told once.
class QueuedNotifier final : public Notifier {
public:
    static constexpr std::size_t kMaxQueued = 32;

    explicit QueuedNotifier(Notifier& target) : m_target(target) {}

    // Any thread except the audio callback; blocks (for a person) only on the owner thread.
    MessageAnswer notify(const MessageRequest& request) override;

    // Shows what other threads asked for. Owner thread; may block while a box is answered.
    void deliver();

    void bindToCurrentThread() { m_owner.bindToCurrentThread(); }
    [[nodiscard]] std::size_t queued() const;

private:
    Notifier& m_target;
    ThreadCheck m_owner;
    mutable std::mutex m_lock;
    std::deque<MessageRequest> m_queue;
    std::size_t m_dropped = 0;
};

} // namespace tonwerk::core
