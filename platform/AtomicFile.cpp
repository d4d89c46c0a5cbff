#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>
#include <vector>

namespace tonwerk::platform {

namespace fs = std::filesystem;

namespace {

// The system's text for an errno value (thread-safe, unlike strerror).
std::string reason(int error) { return std::generic_category().message(error); }

Status failed(const fs::path& path, std::string_view what, int error) {
    return Status::failure("Cannot " + std::string(what) + " \"" + path.string() + "\": " + reason(error));
}

// Closes a descriptor on scope exit unless released.
class FdGuard {
public:
    explicit FdGuard(int fd) : m_fd(fd) {}
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    ~FdGuard() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    [[nodiscard]] int get() const { return m_fd; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

bool writeAll(int fd, std::string_view data, int& error) {
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

fs::path resolveTarget(const fs::path& path) {
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        const fs::path target = fs::read_symlink(path, ec);
        if (!ec) {
            return target.is_absolute() ? target : path.parent_path() / target;
        }
    }
    return path;
}

} // namespace

Status writeFileAtomically(const fs::path& requested, std::string_view data) {
    const fs::path path = resolveTarget(requested);
    fs::path folder = path.parent_path();
    if (folder.empty()) {
        folder = ".";
    }

    std::string pattern = (folder / ("." + path.filename().string() + ".tmp-XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    FdGuard fd(::mkstemp(name.data()));
    if (fd.get() < 0) {
        return failed(requested, "write", errno);
    }
    const std::string tempPath(name.data());
    auto abandon = [&tempPath, &requested](std::string_view what, int error) {
        ::unlink(tempPath.c_str());
        return failed(requested, what, error);
    };

    // Keep the permission bits of the file being replaced; a new file gets the usual 0666 & ~umask.
    struct stat old {};
    mode_t mode = 0;
    if (::stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd.get(), mode) != 0) {
        return abandon("write", errno);
    }

    int error = 0;
    if (!writeAll(fd.get(), data, error)) {
        return abandon("write", error);
    }
    if (::fsync(fd.get()) != 0) {
        return abandon("write", errno);
    }
    if (::close(fd.release()) != 0) {
        return abandon("write", errno);
    }
    if (::rename(tempPath.c_str(), path.c_str()) != 0) {
        return abandon("replace", errno);
    }
    // Make the rename itself durable. A folder that cannot be synced is not worth failing the save for.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return Status::success();
}

FileContents readWholeFile(const fs::path& path) {
    FileContents result;
    FdGuard fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) {
            return result;
        }
        result.status = failed(path, "read", errno);
        return result;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) == 0 && S_ISDIR(info.st_mode)) {
        result.status = failed(path, "read", EISDIR);
        return result;
    }
    result.exists = true;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            result.status = failed(path, "read", errno);
            result.data.clear();
            return result;
        }
        if (n == 0) {
            break;
        }
        result.data.append(buffer, static_cast<std::size_t>(n));
    }
    return result;
}

} // namespace tonwerk::platform
