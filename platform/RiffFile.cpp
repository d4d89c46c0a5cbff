#include "RiffFile.h"

#include <cerrno>

namespace tonwerk::platform {

std::string_view mmioErrorText(int code) {
    switch (code) {
    case MmioError::kFileNotFound:
        return "MIOERROR:\tFILENOTFOUND";
    case MmioError::kOutOfMemory:
        return "MIOERROR:\tOUTOFMEMORY";
    case MmioError::kCannotOpen:
        return "MIOERROR:\tCANNOTOPEN";
    case MmioError::kCannotClose:
        return "MIOERROR:\tCANNOTCLOSE";
    case MmioError::kCannotRead:
        return "MIOERROR:\tCANNOTREAD";
    case MmioError::kCannotWrite:
        return "MIOERROR: CANNOTWRITE";
    case MmioError::kCannotSeek:
        return "MIOERROR:\tCANNOTSEEK";
    case MmioError::kCannotExpand:
        return "MIOERROR:\tCANNOTEXPAND";
    case MmioError::kChunkNotFound:
        return "MIOERROR:\tCHUNKNOTFOUND";
    case MmioError::kUnbuffered:
        return "MIOERROR:\tUNBUFFERED";
    default:
        break;
    }
    return "MIOERROR:\tUNKNOWN";
}

int mmioErrorFromErrno(int error) {
    switch (error) {
    case ENOENT:
        return MmioError::kFileNotFound;
    case ENOMEM:
        return MmioError::kOutOfMemory;
    case ENOTDIR:
        return MmioError::kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return MmioError::kAccessDenied;
    case EBUSY:
    case ETXTBSY:
        return MmioError::kSharingViolation;
    case EMFILE:
    case ENFILE:
        return MmioError::kTooManyOpenFiles;
    case ENOSPC:
    case EFBIG:
        return MmioError::kCannotExpand;
    case EIO:
        return MmioError::kCannotRead;
    case EISDIR:
        return MmioError::kCannotOpen;
    default:
        break;
    }
    return MmioError::kCannotOpen;
}

bool RiffChunk::truncated() const {
    const bool hasType = type != FourCc{};
    return data.size() + (hasType ? 4u : 0u) < declaredSize;
}

std::optional<RiffChunk> RiffReader::findForm(FourCc form, int* error) const {
    std::optional<RiffChunk> found;
    forEachChunk(m_bytes, 0, [&](const RiffChunk& chunk) {
        if (chunk.id == fourCc("RIFF") && chunk.type == form) {
            found = chunk;
        }
        return false; // a RIFF file is one chunk: only the first counts
    });
    if (!found && error != nullptr) {
        *error = MmioError::kChunkNotFound;
    }
    return found;
}

std::vector<RiffChunk> RiffReader::children(const RiffChunk& parent) {
    std::vector<RiffChunk> out;
    const std::size_t base = parent.offset + 8 + (parent.type != FourCc{} ? 4 : 0);
    forEachChunk(parent.data, base, [&](const RiffChunk& chunk) {
        out.push_back(chunk);
        return true;
    });
    return out;
}

void RiffWriter::putU32(std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        m_bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

void RiffWriter::beginList(FourCc id, FourCc type) {
    m_bytes.append(id.data(), 4);
    m_open.push_back(m_bytes.size());
    putU32(0);
    m_bytes.append(type.data(), 4);
}

void RiffWriter::endList() {
    const std::size_t sizeAt = m_open.back();
    m_open.pop_back();
    const auto size = static_cast<std::uint32_t>(m_bytes.size() - sizeAt - 4);
    for (std::size_t i = 0; i < 4; ++i) {
        m_bytes[sizeAt + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    }
}

void RiffWriter::addChunk(FourCc id, std::span<const std::byte> data) {
    m_bytes.append(id.data(), 4);
    putU32(static_cast<std::uint32_t>(data.size()));
    m_bytes.append(reinterpret_cast<const char*>(data.data()), data.size());
    if ((data.size() & 1u) != 0) {
        m_bytes.push_back('\0');
    }
}

} // namespace tonwerk::platform
