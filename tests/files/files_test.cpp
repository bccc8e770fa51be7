// Reading and writing files that users name, on a real file system: FIFOs, devices, links, loops, a
// file size limit, a full file system and read-only paths. A read never hangs and never reads past its
// bound; a write either replaces the file completely or leaves it and its folder exactly as they were.
#include "files/atomic_write.h"
#include "files/bounded_read.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace torvel {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kBound = 1024 * 1024;

// A read that waited on a FIFO would hang the suite; the alarm ends the test program instead.
class HangGuard {
public:
    HangGuard() { ::alarm(20); }
    ~HangGuard() { ::alarm(0); }
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;
};

std::string contentsOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = fs::temp_directory_path().string() + "/torvel-files-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override
    {
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_dir);
    }

    std::string path(const std::string& name) const { return m_dir + "/" + name; }

    // Every name in the folder, hidden ones included: a temporary file left behind shows here.
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const auto& entry : fs::directory_iterator(m_dir))
            out.push_back(entry.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

    std::string m_dir;
};

TEST_F(FilesTest, ReadTakesOnlyRegularFilesWithinTheBound)
{
    const HangGuard guard;
    writeFile(path("design.json"), "{}\n");
    writeFile(path("empty"), "");
    writeFile(path("at_bound"), std::string(kBound, 'x'));
    writeFile(path("past_bound"), std::string(kBound + 1, 'x'));
    fs::create_directory(path("folder"));
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", path("zero_link"));
    fs::create_symlink("design.json", path("relative_link"));
    fs::create_symlink("loop_b", path("loop_a"));
    fs::create_symlink("loop_a", path("loop_b"));

    const struct {
        const char* name;
        std::string path;
        FileStatus status;
        std::string bytesOrReason;
    } rows[] = {
        {"regular file", path("design.json"), FileStatus::Done, "{}\n"},
        {"empty file", path("empty"), FileStatus::Done, ""},
        {"exactly the bound", path("at_bound"), FileStatus::Done, std::string(kBound, 'x')},
        {"through a relative link", path("relative_link"), FileStatus::Done, "{}\n"},
        {"one byte past the bound, refused on its size", path("past_bound"), FileStatus::TooLarge, "larger than 1 MB"},
        {"missing", path("missing"), FileStatus::Missing, "No such file or directory"},
        {"folder", path("folder"), FileStatus::NotRegularFile, "Is a directory"},
        {"FIFO without a writer: no wait", path("fifo"), FileStatus::NotRegularFile, "not a regular file"},
        {"endless device", "/dev/zero", FileStatus::NotRegularFile, "not a regular file"},
        {"random device", "/dev/urandom", FileStatus::NotRegularFile, "not a regular file"},
        {"link to an endless device", path("zero_link"), FileStatus::NotRegularFile, "not a regular file"},
        {"loop of links", path("loop_a"), FileStatus::NotRegularFile, "Too many levels of symbolic links"},
        {"a file as a folder", path("design.json/x"), FileStatus::SystemError, "Not a directory"},
    };
    for (const auto& row : rows) {
        const FileReadOutcome read = readRegularFile(row.path, kBound);
        EXPECT_EQ(read.status, row.status) << row.name;
        EXPECT_EQ(read.done() ? read.bytes : read.reason, row.bytesOrReason) << row.name;
    }
}

TEST_F(FilesTest, WriteCreatesOrReplacesInOneStepAndKeepsLinksAndModes)
{
    // A new file: the usual mode (0666 less the umask).
    const mode_t umask = ::umask(022);
    ASSERT_TRUE(replaceFile(path("new.json"), "first").done());
    EXPECT_EQ(contentsOf(path("new.json")), "first");
    EXPECT_EQ(fs::status(path("new.json")).permissions(), fs::perms(0644));

    // A replaced file keeps its mode, and its inode changes: renamed over, not rewritten in place.
    writeFile(path("old.json"), "old text");
    fs::permissions(path("old.json"), fs::perms(0640));
    struct stat before {};
    ::stat(path("old.json").c_str(), &before);
    ASSERT_TRUE(replaceFile(path("old.json"), "new text").done());
    struct stat after {};
    ::stat(path("old.json").c_str(), &after);
    EXPECT_EQ(contentsOf(path("old.json")), "new text");
    EXPECT_EQ(fs::status(path("old.json")).permissions(), fs::perms(0640));
    EXPECT_NE(before.st_ino, after.st_ino);

    // Links stay links, through a chain and to a file not made yet; the file at the end is written.
    fs::create_directory(path("dotfiles"));
    fs::create_symlink("dotfiles/d.json", path("chain_end"));
    fs::create_symlink("chain_end", path("chain_start"));
    ASSERT_TRUE(replaceFile(path("chain_start"), "through the chain").done());
    EXPECT_TRUE(fs::is_symlink(path("chain_start")) && fs::is_symlink(path("chain_end")));
    EXPECT_EQ(contentsOf(path("dotfiles/d.json")), "through the chain");
    ::umask(umask);

    EXPECT_EQ(names(), (std::vector<std::string>{"chain_end", "chain_start", "dotfiles", "new.json", "old.json"}));
}

TEST_F(FilesTest, WriteRefusesWhatIsNotARegularFileAndTouchesNothing)
{
    const HangGuard guard;
    fs::create_directory(path("folder"));
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    fs::create_symlink("loop_b", path("loop_a"));
    fs::create_symlink("loop_a", path("loop_b"));
    fs::create_symlink("/dev/full", path("full_link"));
    writeFile(path("plain"), "x");

    const struct {
        const char* name;
        std::string path;
        FileStatus status;
        const char* reason;
    } rows[] = {
        {"folder", path("folder"), FileStatus::NotRegularFile, "Is a directory"},
        {"FIFO: never opened, so no wait for a reader", path("fifo"), FileStatus::NotRegularFile, "not a regular file"},
        {"device that is always full", "/dev/full", FileStatus::NotRegularFile, "not a regular file"},
        {"link to that device", path("full_link"), FileStatus::NotRegularFile, "not a regular file"},
        {"loop of links", path("loop_a"), FileStatus::NotRegularFile, "Too many levels of symbolic links"},
        {"missing folder", path("missing/d.json"), FileStatus::SystemError, "No such file or directory"},
        {"a file as a folder", path("plain/d.json"), FileStatus::SystemError, "Not a directory"},
        {"empty name", "", FileStatus::SystemError, "No such file or directory"},
    };
    for (const auto& row : rows) {
        const FileWriteOutcome written = replaceFile(row.path, "text");
        EXPECT_EQ(written.status, row.status) << row.name;
        EXPECT_EQ(written.reason, row.reason) << row.name;
    }
    EXPECT_TRUE(fs::is_directory(path("folder")) && fs::is_empty(path("folder")));
    EXPECT_TRUE(fs::is_fifo(path("fifo")));
    EXPECT_TRUE(fs::is_symlink(path("loop_a")) && fs::is_symlink(path("loop_b")));
    EXPECT_EQ(names(), (std::vector<std::string>{"fifo", "folder", "full_link", "loop_a", "loop_b", "plain"}));
}

TEST_F(FilesTest, WriteCutByTheFileSizeLimitLeavesTheOldFile)
{
    // A file size limit fails every write past it (EFBIG) as a full disk would; the signal it raises is
    // ignored, as torvel-cli and the window ignore it, so that the failure comes back as an error.
    const std::string old = "the old design\n";
    const std::string text(10000, 'n');
    for (const rlim_t limit : {rlim_t{0}, rlim_t{1}, rlim_t{4096}, rlim_t{text.size() - 1}}) {
        writeFile(path("d.json"), old);
        struct rlimit previous {};
        ::getrlimit(RLIMIT_FSIZE, &previous);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = previous;
        small.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &small);
        const FileWriteOutcome written = replaceFile(path("d.json"), text);
        ::setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);

        EXPECT_EQ(written.status, FileStatus::SystemError) << limit;
        EXPECT_EQ(written.reason, "File too large") << limit;
        EXPECT_EQ(contentsOf(path("d.json")), old) << limit;
        EXPECT_EQ(names(), std::vector<std::string>{"d.json"}) << limit;
    }
}

TEST_F(FilesTest, WriteToAFullFileSystemLeavesTheOldFile)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const std::string mount = path("small");
    fs::create_directory(mount);
    if (::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << systemReason(errno);
    const std::unique_ptr<const std::string, void (*)(const std::string*)> unmount(
        &mount, [](const std::string* at) { ::umount(at->c_str()); });
    const std::string old = "the old design\n";
    writeFile(mount + "/d.json", old);
    // Fill what is left, so that the new file's first block already fails.
    {
        std::ofstream filler(mount + "/filler", std::ios::binary);
        const std::string block(4096, 'f');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size())))
            filler.flush();
    }
    const FileWriteOutcome written = replaceFile(mount + "/d.json", std::string(8192, 'n'));
    EXPECT_EQ(written.status, FileStatus::SystemError);
    EXPECT_EQ(written.reason, "No space left on device");
    EXPECT_EQ(contentsOf(mount + "/d.json"), old);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(mount))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"d.json", "filler"}));
}

TEST_F(FilesTest, ReadOnlyPathsAreRefusedAndLeftAsTheyWere)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes read-only files; the test runs again as an unprivileged user";
    const std::string old = "the old design\n";
    writeFile(path("read_only.json"), old);
    fs::permissions(path("read_only.json"), fs::perms(0444));
    writeFile(path("unreadable.json"), old);
    fs::permissions(path("unreadable.json"), fs::perms(0200));

    // A read-only file in a writable folder: the rename could replace it, but the user protected it.
    FileWriteOutcome written = replaceFile(path("read_only.json"), "new");
    EXPECT_EQ(written.reason, "Permission denied");
    EXPECT_EQ(contentsOf(path("read_only.json")), old);
    EXPECT_EQ(readRegularFile(path("unreadable.json"), kBound).reason, "Permission denied");

    // A writable file in a read-only folder: no temporary file can be made beside it, so nothing changes.
    fs::permissions(path("read_only.json"), fs::perms(0644));
    fs::permissions(m_dir, fs::perms(0555));
    written = replaceFile(path("read_only.json"), "new");
    EXPECT_EQ(written.reason, "Permission denied");
    EXPECT_EQ(contentsOf(path("read_only.json")), old);
    EXPECT_EQ(replaceFile(path("new.json"), "new").reason, "Permission denied");
    fs::permissions(m_dir, fs::perms(0755));
    EXPECT_EQ(names(), (std::vector<std::string>{"read_only.json", "unreadable.json"}));
}

}  // namespace
}  // namespace torvel
