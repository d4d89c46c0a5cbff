#include "NsmClient.h"

#include <lo/lo.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <utility>

namespace tonwerk::ui {

namespace {

// The protocol version Tonwerk speaks, and what it can do: nothing optional (a new session
// restarts it; it does not switch sessions in place).
constexpr int kApiMajor = 1;
constexpr int kApiMinor = 2;
constexpr const char* kCapabilities = ":";

std::string text(lo_arg* arg, char type) {
    // A string argument's characters start at the argument. liblo hands out arguments at the
    // message's 4-byte alignment, less than its union's, so the union's members are not used.
    return type == LO_STRING || type == LO_SYMBOL ? std::string(reinterpret_cast<const char*>(arg)) : std::string();
}

void ignoreErrors(int /*num*/, const char* /*msg*/, const char* /*where*/) {}

} // namespace

struct NsmClient::Handles {
    lo_address manager = nullptr;
    lo_server server = nullptr;

    // liblo's handler of every message: its text arguments to the client.
    static int message(const char* path, const char* types, lo_arg** argv, int argc, lo_message /*message*/,
                       void* self) {
        std::vector<std::string> args;
        args.reserve(static_cast<std::size_t>(argc));
        for (int i = 0; i < argc; ++i) {
            args.push_back(text(argv[i], types[i]));
        }
        static_cast<NsmClient*>(self)->dispatch(path, args);
        return 0;
    }

    ~Handles() {
        if (server != nullptr) {
            lo_server_free(server);
        }
        if (manager != nullptr) {
            lo_address_free(manager);
        }
    }
};

std::unique_ptr<NsmClient> NsmClient::connect(const std::string& url, std::string& error) {
    std::unique_ptr<NsmClient> client(new NsmClient);
    client->m_handles = std::make_unique<Handles>();
    Handles& h = *client->m_handles;
    h.manager = lo_address_new_from_url(url.c_str());
    if (h.manager == nullptr || lo_address_get_port(h.manager) == nullptr) {
        error = "NSM_URL is no OSC address: " + url;
        return nullptr;
    }
    // A UDP socket on a free port; the manager answers to where announce came from.
    h.server = lo_server_new_with_proto(nullptr, lo_address_get_protocol(h.manager), ignoreErrors);
    if (h.server == nullptr) {
        error = "no OSC socket could be opened for NSM_URL " + url;
        return nullptr;
    }
    lo_server_add_method(h.server, nullptr, nullptr, &Handles::message, client.get());
    return client;
}

std::unique_ptr<NsmClient> NsmClient::fromEnvironment() {
    const char* url = std::getenv("NSM_URL"); // NOLINT(concurrency-mt-unsafe): read once at start
    if (url == nullptr || *url == '\0') {
        return nullptr;
    }
    std::string error;
    std::unique_ptr<NsmClient> client = connect(url, error);
    if (!client) {
        static_cast<void>(std::fprintf(stderr, "Tonwerk: %s; no session manager\n", error.c_str()));
    }
    return client;
}

NsmClient::~NsmClient() = default;

int NsmClient::socketDescriptor() const { return lo_server_get_socket_fd(m_handles->server); }

bool NsmClient::announce(const std::string& executable) {
    return lo_send_from(m_handles->manager, m_handles->server, LO_TT_IMMEDIATE, kAnnounce, "sssiii", "Tonwerk",
                        kCapabilities, executable.c_str(), kApiMajor, kApiMinor, static_cast<int>(getpid())) >= 0;
}

std::optional<NsmClient::Open> NsmClient::waitForOpen(int timeoutMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!m_pendingOpen) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        lo_server_recv_noblock(m_handles->server, static_cast<int>(left.count()));
    }
    m_opened = m_pendingOpen.has_value();
    return std::exchange(m_pendingOpen, std::nullopt);
}

void NsmClient::receive() {
    while (lo_server_recv_noblock(m_handles->server, 0) > 0) {
    }
    if (m_pendingOpen && m_opened && onOpen) {
        onOpen(*std::exchange(m_pendingOpen, std::nullopt));
    }
}

void NsmClient::dispatch(const std::string& path, const std::vector<std::string>& args) {
    const auto arg = [&args](std::size_t i) { return i < args.size() ? args[i] : std::string(); };
    if (path == "/reply" && arg(0) == kAnnounce) {
        m_managerName = arg(2);
    } else if (path == "/error" && arg(0) == kAnnounce) {
        static_cast<void>(
            std::fprintf(stderr, "Tonwerk: the session manager refused the announce: %s\n", arg(2).c_str()));
    } else if (path == kOpen && args.size() >= 3) {
        m_pendingOpen = Open{arg(0), arg(1), arg(2)};
    } else if (path == kSave) {
        if (onSave) {
            onSave();
        } else {
            fail(kSave, -1, "Tonwerk has no session open");
        }
    }
}

void NsmClient::reply(const char* path, const std::string& message) {
    lo_send_from(m_handles->manager, m_handles->server, LO_TT_IMMEDIATE, "/reply", "ss", path, message.c_str());
}

void NsmClient::fail(const char* path, int code, const std::string& message) {
    lo_send_from(m_handles->manager, m_handles->server, LO_TT_IMMEDIATE, "/error", "sis", path, code, message.c_str());
}

} // namespace tonwerk::ui
