#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tonwerk::ui {

// Tonwerk as a client of a session manager of the NSM kind (Non / New Session Manager), over OSC
// with liblo: it announces itself to the manager named by NSM_URL, opens the session's files when
// told, saves them when told, and is ended by SIGTERM. No threads: the program reads the socket
// when it becomes readable (socketDescriptor) and calls receive(). UI thread only.
class NsmClient {
public:
    // The OSC paths of the protocol.
    static constexpr const char* kAnnounce = "/nsm/server/announce";
    static constexpr const char* kOpen = "/nsm/client/open";
    static constexpr const char* kSave = "/nsm/client/save";

    // What the manager asks Tonwerk to open: a path to keep the session's files under (Tonwerk
    // makes it a folder), the name it shows, and the client's identifier in the session.
    struct Open {
        std::string path;
        std::string displayName;
        std::string clientId;
    };

    // A client for the manager at `url` ("osc.udp://host:port/"); null when the address cannot be
    // used or no socket opens (`error` says why).
    static std::unique_ptr<NsmClient> connect(const std::string& url, std::string& error);
    // The client for NSM_URL when it is set and usable (a bad one is reported on stderr).
    static std::unique_ptr<NsmClient> fromEnvironment();
    ~NsmClient();
    NsmClient(const NsmClient&) = delete;
    NsmClient& operator=(const NsmClient&) = delete;

    // Sends /nsm/server/announce: the program's name, its capabilities, the executable and the
    // process id. Returns false when it could not be sent.
    bool announce(const std::string& executable);
    // Waits up to `timeoutMs` for the manager's open (the answer to announce comes first). Blocks.
    std::optional<Open> waitForOpen(int timeoutMs);

    // Reads every message waiting on the socket without blocking and hands each to its handler.
    void receive();
    [[nodiscard]] int socketDescriptor() const;

    // Handlers of the manager's requests after the open. Each must answer with reply() or fail().
    std::function<void(const Open&)> onOpen;
    std::function<void()> onSave;
    // What the manager said to announce: its name ("" until it answered).
    [[nodiscard]] const std::string& managerName() const { return m_managerName; }

    // The answers: /reply with `path` and a message, or /error with a code and a message.
    void reply(const char* path, const std::string& message);
    void fail(const char* path, int code, const std::string& message);

private:
    struct Handles;
    friend struct Handles;

    NsmClient() = default;
    // One message from the manager, its arguments as text (numbers and others as "").
    void dispatch(const std::string& path, const std::vector<std::string>& args);

    std::unique_ptr<Handles> m_handles;
    std::string m_managerName;
    std::optional<Open> m_pendingOpen;
    bool m_opened = false;
};

} // namespace tonwerk::ui
