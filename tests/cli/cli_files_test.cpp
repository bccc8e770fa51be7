// The real torvel-cli binary on a real file system, as a script or a careless user runs it: design files
// in FIFOs, devices, loops of links, missing or read-only folders, under a file size limit, on a full
// file system; output into a full device; memory under a limit. A failure is never an exit status 0, a
// saved design is never lost, and nothing hangs.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <poll.h>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer reserves terabytes of address space and keeps freed memory for a while, so
// neither an address-space limit nor a comparison of peak memory means anything under it.
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

struct Ran {
    int exit = -1;     // the exit status, or -1 when a signal ended the shell
    std::string out;
    std::string err;
    long peakKb = 0;   // the largest resident size of the shell and what it waited for
};

// Runs `script` under /bin/sh in `folder` with $CLI naming the binary; stdout and stderr are pipes
// drained together, so a long output cannot block the program.
Ran runScript(const std::string& folder, const std::string& script)
{
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        for (int fd : {out[0], out[1], err[0], err[1]})
            ::close(fd);
        if (::chdir(folder.c_str()) != 0)
            ::_exit(126);
        ::setenv("CLI", TORVEL_CLI_PATH, 1);
        ::execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    Ran ran;
    std::array<pollfd, 2> fds{pollfd{out[0], POLLIN, 0}, pollfd{err[0], POLLIN, 0}};
    std::array<std::string*, 2> into{&ran.out, &ran.err};
    std::array<char, 65536> buffer{};
    for (int open = 2; open > 0;) {
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
            break;
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            const ssize_t n = ::read(fds[i].fd, buffer.data(), buffer.size());
            if (n > 0) {
                into[i]->append(buffer.data(), static_cast<std::size_t>(n));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(child, &status, 0, &usage);
    ran.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ran.peakKb = usage.ru_maxrss;
    return ran;
}

std::string contentsOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CliFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = fs::temp_directory_path().string() + "/torvel-cli-files-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        const Ran saved = run("\"$CLI\" synth --type tzf-low --H 1 --fo 1k --Q 2 --fn 2k --save V.json");
        ASSERT_EQ(saved.exit, 0) << saved.err;
        m_design = contentsOf(path("V.json"));
        ASSERT_NE(m_design.find("torvel-design"), std::string::npos);
    }
    void TearDown() override
    {
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_dir);
    }

    Ran run(const std::string& script) const { return runScript(m_dir, script); }
    std::string path(const std::string& name) const { return m_dir + "/" + name; }
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const auto& entry : fs::directory_iterator(m_dir))
            out.push_back(entry.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

    std::string m_dir;
    std::string m_design;  // V.json, a valid design as --save wrote it
};

TEST_F(CliFiles, FailedSaveExitsFiveWithOneLineAndKeepsTheOldFile)
{
    const struct {
        const char* name;
        const char* setup;   // shell commands before the run
        const char* target;  // --save
        const char* reason;
        std::vector<std::string> names;  // the folder afterwards: nothing left behind
    } rows[] = {
        {"folder", "mkdir folder", "folder", "Is a directory", {"V.json", "folder"}},
        {"missing folder", "", "missing/d.json", "No such file or directory", {"V.json"}},
        {"device that is always full", "", "/dev/full", "not a regular file", {"V.json"}},
        {"FIFO: refused, not waited on", "mkfifo fifo", "fifo", "not a regular file", {"V.json", "fifo"}},
        {"loop of links", "ln -s b a; ln -s a b", "a", "Too many levels of symbolic links", {"V.json", "a", "b"}},
        // The program ignores the signal of the file size limit itself, so the write fails instead.
        {"file size limit 0", "ulimit -f 0", "V.json", "File too large", {"V.json"}},
        {"file size limit 0, signal ignored by the caller", "trap '' XFSZ; ulimit -f 0", "V.json", "File too large",
         {"V.json"}},
    };
    for (const auto& row : rows) {
        const Ran ran = run(std::string(row.setup) + "\ntimeout 20 \"$CLI\" synth --H 1 --fo 2k --Q 3 --save " + row.target);
        EXPECT_EQ(ran.exit, 5) << row.name;
        EXPECT_EQ(ran.err, std::string("torvel-cli: cannot write ") + row.target + ": " + row.reason + "\n") << row.name;
        EXPECT_NE(ran.out.find("fo = 2k"), std::string::npos) << row.name;  // the run itself completed
        EXPECT_EQ(contentsOf(path("V.json")), m_design) << row.name;
        EXPECT_EQ(names(), row.names) << row.name;
        run("rm -rf folder fifo a b");
    }
    // A file the save wrote through a link: the link stays, the design lands where it points.
    ASSERT_EQ(run("mkdir dotfiles && ln -s dotfiles/d.json link").exit, 0);
    EXPECT_EQ(run("\"$CLI\" analyze --load V.json --save link").exit, 0);
    EXPECT_TRUE(fs::is_symlink(path("link")));
    EXPECT_NE(contentsOf(path("dotfiles/d.json")).find("TZF (Wo<Wn)"), std::string::npos);
}

TEST_F(CliFiles, FailedSaveOnAFullFileSystemKeepsTheOldFile)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    fs::create_directory(path("small"));
    if (::mount("tmpfs", path("small").c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here (errno " << errno << ")";
    const std::string mount = path("small");
    const std::unique_ptr<const std::string, void (*)(const std::string*)> unmount(
        &mount, [](const std::string* at) { ::umount(at->c_str()); });
    // The old design, then filler up to the last block, so the new file's first block cannot be had.
    const Ran ran = run("cp V.json small/d.json && (cat /dev/zero > small/filler 2>/dev/null; true)\n"
                        "\"$CLI\" synth --type notch --H 1 --fo 1k --Q 2 --save small/d.json");
    EXPECT_EQ(ran.exit, 5);
    EXPECT_EQ(ran.err, "torvel-cli: cannot write small/d.json: No space left on device\n");
    EXPECT_EQ(contentsOf(path("small/d.json")), m_design);
    EXPECT_EQ(run("ls -A small").out, "d.json\nfiller\n");
}

TEST_F(CliFiles, ReadOnlyFileOrFolderIsAFailedSave)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes read-only files; the test runs again as an unprivileged user";
    const struct {
        const char* name;
        const char* setup;
    } rows[] = {
        {"read-only file in a writable folder", "chmod 444 V.json"},
        {"writable file in a read-only folder", "chmod 644 V.json; chmod 555 ."},
    };
    for (const auto& row : rows) {
        const Ran ran = run(std::string(row.setup) + "\n\"$CLI\" synth --H 1 --fo 2k --Q 3 --save V.json");
        EXPECT_EQ(ran.exit, 5) << row.name;
        EXPECT_EQ(ran.err, "torvel-cli: cannot write V.json: Permission denied\n") << row.name;
        EXPECT_EQ(contentsOf(path("V.json")), m_design) << row.name;
        EXPECT_EQ(names(), std::vector<std::string>{"V.json"}) << row.name;
        run("chmod 755 .; chmod 644 V.json");
    }
}

TEST_F(CliFiles, LoadReadsOnlyRegularFilesWithinTheBoundAndNeverHangs)
{
    // Without the fix these read until memory ran out: an address-space limit makes that a quick failure.
    const std::string limits = kSanitized ? "" : "ulimit -v 1000000\n";
    const struct {
        const char* name;
        const char* setup;
        const char* file;
        const char* reason;
    } rows[] = {
        {"FIFO without a writer", "mkfifo fifo", "fifo", "not a regular file"},
        {"endless device", "", "/dev/zero", "not a regular file"},
        {"random device", "", "/dev/urandom", "not a regular file"},
        {"link to an endless device", "ln -s /dev/zero zero", "zero", "not a regular file"},
        {"folder", "mkdir folder", "folder", "Is a directory"},
        {"2 MB of blanks: refused on its size", "head -c 2097152 /dev/zero | tr '\\000' ' ' > big.json", "big.json",
         "larger than 1 MB"},
        {"a valid design, a NUL byte and garbage", "(cat V.json; printf '\\000{garbage') > nul.json", "nul.json",
         "not a design file (it holds a NUL byte)"},
        {"missing", "", "missing.json", "No such file or directory"},
    };
    for (const auto& row : rows) {
        const Ran ran = run(limits + row.setup + "\ntimeout 20 \"$CLI\" analyze --json --load " + row.file);
        EXPECT_EQ(ran.exit, 2) << row.name;
        EXPECT_EQ(ran.err, std::string("torvel-cli: ") + row.file + ": " + row.reason + "\n") << row.name;
        EXPECT_EQ(ran.out, "") << row.name;  // nothing ran
    }
}

TEST_F(CliFiles, OutputIntoAFullDeviceIsAFailedWrite)
{
    const struct {
        const char* name;
        const char* arguments;
    } rows[] = {
        {"netlist", "netlist --load V.json"},
        {"parts list", "bom --load V.json"},
        {"response", "response --load V.json"},
        {"summary", "analyze --load V.json"},
        {"JSON", "synth --load V.json --json"},
        {"help", "--help"},
    };
    for (const auto& row : rows) {
        const Ran ran = run(std::string("\"$CLI\" ") + row.arguments + " > /dev/full");
        EXPECT_EQ(ran.exit, 5) << row.name;
        EXPECT_EQ(ran.err, "torvel-cli: cannot write the output: No space left on device\n") << row.name;
    }
    // A failed output and a failed save are both said; the exit status is the same.
    const Ran both = run("\"$CLI\" netlist --load V.json --save /dev/full > /dev/full");
    EXPECT_EQ(both.exit, 5);
    EXPECT_EQ(both.err, "torvel-cli: cannot write /dev/full: not a regular file\n"
                        "torvel-cli: cannot write the output: No space left on device\n");
}

TEST_F(CliFiles, RepeatedOutputCommandsHoldOneOutputAtATime)
{
    if (kSanitized)
        GTEST_SKIP() << "peak memory is not comparable under the address sanitizer";
    // Each response of 100,000 points is some 6 MB of text; five of them kept until the end would add
    // about 25 MB to the peak of one.
    const Ran one = run("\"$CLI\" response --load V.json --points 100000 > /dev/null");
    const Ran five = run("\"$CLI\" response netlist response bom response response response --load V.json "
                         "--points 100000 > /dev/null");
    ASSERT_EQ(one.exit, 0);
    ASSERT_EQ(five.exit, 0);
    EXPECT_LT(five.peakKb, one.peakKb + 8 * 1024) << one.peakKb << " KB for one, " << five.peakKb << " KB for five";
}

TEST_F(CliFiles, OutOfMemoryEndsWithALineAndStatusOne)
{
    if (kSanitized)
        GTEST_SKIP() << "an address-space limit stops the address sanitizer itself";
    // A million-point response needs some 80 MB for its curves, more than the limit leaves.
    const Ran ran = run("ulimit -v 60000\n\"$CLI\" response --load V.json --points 1000000 > /dev/null");
    EXPECT_EQ(ran.exit, 1);
    EXPECT_EQ(ran.err, "torvel-cli: out of memory\n");
}

}  // namespace
