// How reading or writing a file the user named ended, as a value the front ends turn into their own
// report: torvel-cli into a line on stderr and an exit status, the window into a message box, the
// settings file into silence.
#pragma once

#include <string>

namespace torvel {

enum class FileStatus {
    Done,
    Missing,         // nothing at the path (a link whose file is missing included)
    NotRegularFile,  // a folder, a device (/dev/zero, /dev/full), a FIFO, a socket, or a loop of links
    TooLarge,        // more bytes than the reader's bound
    SystemError,     // the system refused (permissions, full disk, file size limit, missing folder...)
};

/// The outcome of a write: `reason` says why in words when the status is not Done.
struct [[nodiscard]] FileWriteOutcome {
    FileStatus status = FileStatus::Done;
    std::string reason;
    bool done() const { return status == FileStatus::Done; }
};

/// The outcome of a read: the whole file in `bytes` when Done, otherwise `reason` in words.
struct [[nodiscard]] FileReadOutcome {
    FileStatus status = FileStatus::Done;
    std::string bytes;
    std::string reason;
    bool done() const { return status == FileStatus::Done; }
};

/// The system's text for an errno value, e.g. "No space left on device".
std::string systemReason(int errorNumber);

}  // namespace torvel
