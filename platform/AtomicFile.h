#pragma once

#include "Status.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace tonwerk::platform {

// Replaces the file at `path` with `data` so that, whatever happens (a crash, a full disk, a power
// cut), the file holds either its old or its new contents, never a mixture: the bytes go to a
// temporary file in the same folder, are flushed and synced, and the temporary file is renamed over
// the old one. A symbolic link is followed so the link itself survives. The old file's permission
// bits are kept. On failure the temporary file is removed and the old file is untouched; the message
// names the file and the reason.
// Any thread; blocks on disk I/O.
Status writeFileAtomically(const std::filesystem::path& path, std::string_view data);

struct FileContents {
    Status status = Status::success();
    bool exists = false; // false when there is no file at the path (not an error for the caller to show)
    std::string data;
};

// Reads a whole file. A missing file gives exists == false and a success status; any other failure
// (a folder, no permission, an I/O error) gives a failure status naming the file.
// Any thread; blocks on disk I/O.
FileContents readWholeFile(const std::filesystem::path& path);

} // namespace tonwerk::platform
