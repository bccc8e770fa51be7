#include "files/atomic_write.h"

#include "files/file_descriptor.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace torvel {
namespace {

// The kernel's own bound on the links in one path (MAXSYMLINKS); a longer chain is taken as a loop.
constexpr int kMaxLinks = 40;

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<std::string> linkText(const std::string& link)
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink(link.c_str(), buffer.data(), buffer.size());
        if (length < 0)
            return std::nullopt;
        if (static_cast<std::size_t>(length) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

WriteTargetOutcome refusedTarget(FileStatus status, std::string reason) { return {std::nullopt, status, std::move(reason)}; }

FileWriteOutcome failedBySystem(int errorNumber) { return {FileStatus::SystemError, systemReason(errorNumber)}; }

// The temporary file: removed again unless it has been renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target) : m_path(uniquePathBeside(target)) {}
    ~TemporaryFile()
    {
        if (m_created && !m_kept)
            ::unlink(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    /// Creates it (0666 less the umask, as any new file); false with errno set when it cannot be made.
    [[nodiscard]] bool create(const std::string& target)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_descriptor.reset(::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            if (m_descriptor.isOpen()) {
                m_created = true;
                return true;
            }
            if (errno != EEXIST)
                return false;
            m_path = uniquePathBeside(target);
        }
        return false;
    }

    const std::string& path() const { return m_path; }
    FileDescriptor& descriptor() { return m_descriptor; }
    void keep() { m_kept = true; }

private:
    // ".<name>.<pid>-<count>-<clock>.tmp" in the target's folder, so that the rename stays inside one
    // file system; the name is cut so that the whole stays within the file name limit.
    static std::string uniquePathBeside(const std::string& target)
    {
        static std::atomic<unsigned> counter{0};
        const auto clock = std::chrono::steady_clock::now().time_since_epoch().count();
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, ".%ld-%u-%llx.tmp", static_cast<long>(::getpid()), counter++,
                      static_cast<unsigned long long>(clock) & 0xFFFFFFu);
        return folderOf(target) + "/." + nameOf(target).substr(0, 200) + suffix;
    }

    std::string m_path;
    FileDescriptor m_descriptor{-1};
    bool m_created = false;
    bool m_kept = false;
};

FileWriteOutcome writeAll(int descriptor, std::string_view bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return failedBySystem(errno);
        if (count == 0)
            return failedBySystem(EIO);
        written += static_cast<std::size_t>(count);
    }
    return {};
}

// Makes the rename itself survive a power failure; a file system that cannot sync a folder still has
// the complete file under one of the two names, so a failure here is no reason to fail the write.
void syncFolder(const std::string& folder)
{
    const FileDescriptor descriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (descriptor.isOpen())
        ::fsync(descriptor.get());
}

}  // namespace

WriteTargetOutcome resolveWriteTarget(const std::string& path)
{
    if (path.empty())
        return refusedTarget(FileStatus::SystemError, systemReason(ENOENT));
    std::string current = path;
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0) {
            const int error = errno;
            if (error == ENOENT)
                return {WriteTarget{current, false}, FileStatus::Done, {}};
            return refusedTarget(FileStatus::SystemError, systemReason(error));
        }
        if (S_ISLNK(info.st_mode)) {
            const std::optional<std::string> to = linkText(current);
            if (!to)
                return refusedTarget(FileStatus::SystemError, systemReason(errno));
            current = !to->empty() && to->front() == '/' ? *to : folderOf(current) + "/" + *to;
            continue;
        }
        if (S_ISDIR(info.st_mode))
            return refusedTarget(FileStatus::NotRegularFile, systemReason(EISDIR));
        if (!S_ISREG(info.st_mode))
            return refusedTarget(FileStatus::NotRegularFile, "not a regular file");
        return {WriteTarget{current, true}, FileStatus::Done, {}};
    }
    return refusedTarget(FileStatus::NotRegularFile, systemReason(ELOOP));
}

FileWriteOutcome replaceFile(const std::string& path, std::string_view bytes)
{
    const WriteTargetOutcome resolved = resolveWriteTarget(path);
    if (!resolved.target)
        return {resolved.status, resolved.reason};
    const WriteTarget& target = *resolved.target;
    struct stat old {};
    if (target.exists) {
        // The folder would let the rename replace a file that the user made read-only; that protection
        // is the user's, so the write is refused as writing in place would be.
        if (::access(target.path.c_str(), W_OK) != 0 || ::stat(target.path.c_str(), &old) != 0)
            return failedBySystem(errno);
    }

    TemporaryFile temporary(target.path);
    if (!temporary.create(target.path))
        return failedBySystem(errno);
    const int descriptor = temporary.descriptor().get();
    if (FileWriteOutcome written = writeAll(descriptor, bytes); !written.done())
        return written;
    if (target.exists) {
        // The owner goes first, since a change of owner clears the set-id bits that the mode then restores.
        // Both are kept where the system allows (only root may give a file away, and a FAT stick holds no
        // modes); the text is what must not be lost.
        if (::fchown(descriptor, old.st_uid, old.st_gid) != 0 && errno != EPERM)
            return failedBySystem(errno);
        if (::fchmod(descriptor, old.st_mode & 07777) != 0 && errno != EPERM)
            return failedBySystem(errno);
    }
    // Complete on the disk before it replaces anything: a full disk or a lost connection to a network
    // file system shows here (or at the close) rather than as a short file after the rename.
    struct stat written {};
    if (::fsync(descriptor) != 0 || ::fstat(descriptor, &written) != 0)
        return failedBySystem(errno);
    if (static_cast<std::size_t>(written.st_size) != bytes.size())
        return failedBySystem(EIO);
    if (!temporary.descriptor().closeChecked())
        return failedBySystem(errno);
    if (::rename(temporary.path().c_str(), target.path.c_str()) != 0)
        return failedBySystem(errno);
    temporary.keep();
    syncFolder(folderOf(target.path));
    return {};
}

}  // namespace torvel
