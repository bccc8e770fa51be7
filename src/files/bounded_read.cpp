#include "files/bounded_read.h"

#include "files/file_descriptor.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvel {
namespace {

FileReadOutcome refused(FileStatus status, std::string reason) { return {status, {}, std::move(reason)}; }

FileReadOutcome refusedBySystem(int errorNumber)
{
    if (errorNumber == ENOENT)
        return refused(FileStatus::Missing, systemReason(errorNumber));
    if (errorNumber == ELOOP)
        return refused(FileStatus::NotRegularFile, systemReason(errorNumber));
    return refused(FileStatus::SystemError, systemReason(errorNumber));
}

// What a folder, device, FIFO or socket is called in a refusal.
FileReadOutcome notRegular(const struct stat& info)
{
    return refused(FileStatus::NotRegularFile, S_ISDIR(info.st_mode) ? systemReason(EISDIR) : "not a regular file");
}

}  // namespace

std::string sizeText(std::size_t bytes)
{
    constexpr std::size_t kKilo = 1024;
    if (bytes >= kKilo * kKilo && bytes % (kKilo * kKilo) == 0)
        return std::to_string(bytes / (kKilo * kKilo)) + " MB";
    if (bytes >= kKilo && bytes % kKilo == 0)
        return std::to_string(bytes / kKilo) + " KB";
    return std::to_string(bytes) + " bytes";
}

FileReadOutcome readRegularFile(const std::string& path, std::size_t maxBytes)
{
    // Judged before opening, since opening a device can itself do something (a tape rewinds, a modem
    // dials); judged again on what was opened, in case the path changed in between.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return refusedBySystem(errno);
    if (!S_ISREG(info.st_mode))
        return notRegular(info);
    // O_NONBLOCK: a FIFO put in the file's place after the check must not make the open wait for a writer.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.isOpen())
        return refusedBySystem(errno);
    if (::fstat(file.get(), &info) != 0)
        return refusedBySystem(errno);
    if (!S_ISREG(info.st_mode))
        return notRegular(info);
    const std::string tooLarge = "larger than " + sizeText(maxBytes);
    if (static_cast<std::size_t>(info.st_size) > maxBytes)
        return refused(FileStatus::TooLarge, tooLarge);

    FileReadOutcome outcome;
    outcome.bytes.reserve(static_cast<std::size_t>(info.st_size));
    std::array<char, 65536> chunk{};
    for (;;) {
        // Asking for one byte past the bound tells a file that grew after fstat from one that is full.
        const std::size_t room = maxBytes + 1 - outcome.bytes.size();
        const ssize_t count = ::read(file.get(), chunk.data(), std::min(chunk.size(), room));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return refusedBySystem(errno);
        if (count == 0)
            return outcome;
        outcome.bytes.append(chunk.data(), static_cast<std::size_t>(count));
        if (outcome.bytes.size() > maxBytes)
            return refused(FileStatus::TooLarge, tooLarge);
    }
}

}  // namespace torvel
