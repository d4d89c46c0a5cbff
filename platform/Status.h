#pragma once

#include <string>
#include <utility>

namespace tonwerk::platform {

// Outcome of an operation that can fail for a reason the user must be told (a file that cannot be
// written, a folder that does not exist). Failures are reported, never thrown.
class [[nodiscard]] Status {
public:
    static Status success() { return Status{}; }
    static Status failure(std::string message) { return Status{std::move(message)}; }

    [[nodiscard]] bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    // Human-readable reason; empty on success.
    [[nodiscard]] const std::string& message() const { return m_message; }

private:
    Status() = default;
    explicit Status(std::string message) : m_message(std::move(message)), m_failed(true) {}

    std::string m_message;
    bool m_failed = false;
};

} // namespace tonwerk::platform
