// Writing a file so that it is never lost: the new bytes go to a temporary file in the same folder, which
// is flushed to the disk, checked for its size and only then renamed over the old file in one step. A
// full disk, a file size limit, a folder that cannot be written or a crash at any moment leave the old
// file exactly as it was and no temporary file behind (but for a crash, which may leave a hidden
// ".<name>.*.tmp" beside it).
//
// A link stays a link: the write replaces the file it points to, even through a chain of links or when
// that file does not exist yet. Anything but a regular file in the way (a folder, a device such as
// /dev/full, a FIFO, a loop of links) is refused without touching it, and so is a file the user may not
// write, although the folder would allow replacing it.
#pragma once

#include "files/file_outcome.h"

#include <optional>
#include <string>
#include <string_view>

namespace torvel {

/// Where a write to a path lands: the path itself, or the end of its chain of links.
struct WriteTarget {
    std::string path;
    bool exists = false;  // a regular file is there now
};

/// Resolves `path` for a write, or refuses with the reason: anything there that is not a regular file
/// (after following links) or a loop of links.
struct [[nodiscard]] WriteTargetOutcome {
    std::optional<WriteTarget> target;
    FileStatus status = FileStatus::Done;
    std::string reason;
};
WriteTargetOutcome resolveWriteTarget(const std::string& path);

/// Replaces the file at `path` (or creates it) with `bytes`, all or nothing. A new file gets the usual
/// permissions (0666 less the umask); a replaced one keeps its permissions and, where allowed, its owner.
FileWriteOutcome replaceFile(const std::string& path, std::string_view bytes);

}  // namespace torvel
