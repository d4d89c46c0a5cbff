#pragma once

#include "core/ErrorReporting.h"
#include "core/Notifier.h"

#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace tonwerk::test {

// Records every message and answers from a script (then with the box's default answer).
class RecordingNotifier final : public core::Notifier {
public:
    struct Shown {
        core::MessageRequest request;
        std::thread::id thread;
    };

    core::MessageAnswer notify(const core::MessageRequest& request) override {
        const std::scoped_lock lock(m_mutex);
        m_shown.push_back(Shown{request, std::this_thread::get_id()});
        if (!m_answers.empty()) {
            const core::MessageAnswer answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        }
        return core::defaultAnswer(request.buttons);
    }

    void answerNext(core::MessageAnswer answer) {
        const std::scoped_lock lock(m_mutex);
        m_answers.push_back(answer);
    }

    [[nodiscard]] std::vector<Shown> shown() const {
        const std::scoped_lock lock(m_mutex);
        return m_shown;
    }
    [[nodiscard]] std::size_t count() const {
        const std::scoped_lock lock(m_mutex);
        return m_shown.size();
    }
    void clear() {
        const std::scoped_lock lock(m_mutex);
        m_shown.clear();
    }
    [[nodiscard]] core::MessageRequest last() const {
        const std::scoped_lock lock(m_mutex);
        return m_shown.empty() ? core::MessageRequest{} : m_shown.back().request;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Shown> m_shown;
    std::deque<core::MessageAnswer> m_answers;
};

} // namespace tonwerk::test
