#pragma once

#include "Status.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tonwerk::platform {

// Error codes of the multimedia file I/O the setup and wave files were written with.
namespace MmioError {
inline constexpr int kFileNotFound = 257;
inline constexpr int kOutOfMemory = 258;
inline constexpr int kCannotOpen = 259;
inline constexpr int kCannotClose = 260;
inline constexpr int kCannotRead = 261;
inline constexpr int kCannotWrite = 262;
inline constexpr int kCannotSeek = 263;
inline constexpr int kCannotExpand = 264;
inline constexpr int kChunkNotFound = 265;
inline constexpr int kUnbuffered = 266;
inline constexpr int kPathNotFound = 267;
inline constexpr int kAccessDenied = 268;
inline constexpr int kSharingViolation = 269;
inline constexpr int kNetworkError = 270;
inline constexpr int kTooManyOpenFiles = 271;
inline constexpr int kInvalidFile = 272;
} // namespace MmioError

// "MIOERROR:\tFILENOTFOUND" and its siblings; "MIOERROR:\tUNKNOWN" for any other code.
[[nodiscard]] std::string_view mmioErrorText(int code);

// The multimedia I/O code for a system error number (ENOENT -> 257, EACCES -> 268, ...).
[[nodiscard]] int mmioErrorFromErrno(int error);

using FourCc = std::array<char, 4>;
[[nodiscard]] constexpr FourCc fourCc(const char (&text)[5]) { return {text[0], text[1], text[2], text[3]}; }

// One chunk found in a RIFF buffer: its identifier, its form or list type for RIFF and LIST chunks,
// and where its data lies. `declaredSize` is the size the file states; `data` holds only the bytes
// that are really there (a truncated file gives fewer).
struct RiffChunk {
    FourCc id{};
    FourCc type{}; // form or list type; zero for other chunks
    std::uint32_t declaredSize = 0;
    std::span<const std::byte> data; // for RIFF/LIST: the contents after the type
    std::size_t offset = 0;          // of the chunk header in the buffer
    [[nodiscard]] bool truncated() const;
};

// Walks the chunks of a RIFF buffer in memory (files are read whole: setups and waves are small
// enough). Never reads outside the buffer, whatever the sizes in it say; chunks of odd size are
// followed by their pad byte.
class RiffReader {
public:
    explicit RiffReader(std::span<const std::byte> bytes) : m_bytes(bytes) {}

    // The first "RIFF" chunk of form `form` at the start of the buffer, or the error code 265
    // (chunk not found) through `error`.
    [[nodiscard]] std::optional<RiffChunk> findForm(FourCc form, int* error = nullptr) const;

    // The chunks inside `parent`'s data, in order. A chunk header cut off by the end stops the list.
    [[nodiscard]] static std::vector<RiffChunk> children(const RiffChunk& parent);
    // Visits the chunks inside `data` one at a time without allocating.
    template <typename Visit>
    static void forEachChunk(std::span<const std::byte> data, std::size_t baseOffset, Visit&& visit);

private:
    std::span<const std::byte> m_bytes;
};

// Builds a RIFF file in memory. Sizes are filled in when a list is closed; data of odd size gets a
// pad byte. Not thread-safe.
class RiffWriter {
public:
    // Opens "RIFF" (or "LIST") with its type; every open must be closed.
    void beginList(FourCc id, FourCc type);
    void endList();
    void addChunk(FourCc id, std::span<const std::byte> data);
    [[nodiscard]] const std::string& bytes() const { return m_bytes; }

private:
    void putU32(std::uint32_t value);
    std::string m_bytes;
    std::vector<std::size_t> m_open; // offsets of the size fields of open lists
};

template <typename Visit>
void RiffReader::forEachChunk(std::span<const std::byte> data, std::size_t baseOffset, Visit&& visit) {
    std::size_t pos = 0;
    while (data.size() - pos >= 8) {
        RiffChunk chunk;
        chunk.offset = baseOffset + pos;
        for (std::size_t i = 0; i < 4; ++i) {
            chunk.id[i] = static_cast<char>(data[pos + i]);
        }
        chunk.declaredSize =
            static_cast<std::uint32_t>(data[pos + 4]) | (static_cast<std::uint32_t>(data[pos + 5]) << 8) |
            (static_cast<std::uint32_t>(data[pos + 6]) << 16) | (static_cast<std::uint32_t>(data[pos + 7]) << 24);
        const std::size_t start = pos + 8;
        const std::size_t available = data.size() - start;
        const std::size_t size = std::min<std::size_t>(chunk.declaredSize, available);
        std::span<const std::byte> body = data.subspan(start, size);
        if ((chunk.id == fourCc("RIFF") || chunk.id == fourCc("LIST")) && body.size() >= 4) {
            for (std::size_t i = 0; i < 4; ++i) {
                chunk.type[i] = static_cast<char>(body[i]);
            }
            body = body.subspan(4);
        }
        chunk.data = body;
        if (!visit(chunk)) {
            return;
        }
        // Past the chunk and its pad byte; a size past the end ends the walk.
        const std::uint64_t next = static_cast<std::uint64_t>(start) + chunk.declaredSize + (chunk.declaredSize & 1u);
        if (next >= data.size()) {
            return;
        }
        pos = static_cast<std::size_t>(next);
    }
}

} // namespace tonwerk::platform
