#pragma once

#include <thread>

namespace tonwerk::core {

// Remembers the thread an object belongs to and checks calls that rely on it (the dispatcher's
// thread). Checks are on in debug and sanitizer builds (TONWERK_THREAD_CHECKS) and cost nothing
// otherwise. Any thread may call check(); only the owner may rebind.
class ThreadCheck {
public:
    ThreadCheck() : m_owner(std::this_thread::get_id()) {}

    // The calling thread becomes the owner (a host that builds on one thread and runs on another).
    void bindToCurrentThread() { m_owner = std::this_thread::get_id(); }
    [[nodiscard]] bool onOwnerThread() const { return std::this_thread::get_id() == m_owner; }

    // Ends the program with a message naming `what` when called from another thread.
    void check(const char* what) const {
#if defined(TONWERK_THREAD_CHECKS) || !defined(NDEBUG)
        if (!onOwnerThread()) {
            fail(what);
        }
#else
        static_cast<void>(what);
#endif
    }

private:
    [[noreturn]] static void fail(const char* what);

    std::thread::id m_owner;
};

} // namespace tonwerk::core
