// What the cache takes on trust: only entries of its own user, no larger
// than the caller allows; only subdirectories no one else can write; and
// what it removes or leaves of the temporary files it finds.
#include "cache/document_cache.hpp"
#include "cache/entry_format.hpp"
#include "scratch_directory.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

constexpr std::uint64_t any_size = UINT64_MAX;
constexpr uid_t other_user = 65534;

document_cache opened(const fs::path& directory)
{
    cache_opening opening = open_cache(directory.string());
    if (!opening.cache)
        throw std::runtime_error(describe(opening.problem));
    return std::move(*opening.cache);
}

std::string host_name()
{
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    return name;
}

// The ID of a process that has ended.
pid_t ended_process()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

// Sets the file's modification time to minutes ago.
void age(const fs::path& file, long minutes)
{
    const timespec times[2] = {{0, UTIME_OMIT}, {time(nullptr) - minutes * 60, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << file;
}

}

// Each row leaves something under the entry's name; the lookup with the
// row's bound takes it or not, and a store then leaves the cache's own
// entry, which every later lookup takes.
TEST(cache_trust, entries_by_owner_and_size)
{
    const std::string payload(1000, 'p');
    const struct {
        const char* what;
        bool needs_root;
        std::function<void(const fs::path& entry, const cache_key& key)> plant;
        std::uint64_t bound;
        bool taken;
    } cases[] = {
        {"as large as the bound", false, [](const fs::path&, const cache_key&) {}, 1000, true},
        {"a byte larger than the bound", false, [](const fs::path&, const cache_key&) {}, 999,
         false},
        {"a sparse entry of 4 GiB, refused before it is read", false,
         [](const fs::path& entry, const cache_key& key) {
             std::string header = entry_header(key, "");
             const std::uint64_t length = std::uint64_t(4) << 30;
             for (int i = 0; i < 8; ++i)
                 header[48 + std::size_t(i)] = static_cast<char>(length >> (8 * i));
             scratch_directory::write(entry, header);
             fs::resize_file(entry, entry_header_size + length);
         },
         1 << 20, false},
        {"written by another user", true,
         [](const fs::path& entry, const cache_key&) {
             ASSERT_EQ(chown(entry.c_str(), other_user, other_user), 0);
         },
         any_size, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needs_root && geteuid() != 0)
            continue;
        scratch_directory scratch;
        const document_cache cache = opened(scratch.path);
        const cache_key key = make_key({"page"});
        const fs::path entry = scratch.path / "entries" / key.hex();
        ASSERT_FALSE(cache.store(key, payload));
        c.plant(entry, key);
        EXPECT_EQ(cache.lookup(key, c.bound).has_value(), c.taken);

        ASSERT_FALSE(cache.store(key, payload));
        EXPECT_EQ(cache.lookup(key, payload.size()), payload);
        struct stat status {};
        ASSERT_EQ(stat(entry.c_str(), &status), 0);
        EXPECT_EQ(status.st_uid, geteuid());
    }
}

// Opening a writable cache removes the temporary files that no live run
// can be writing, and leaves every other.
TEST(cache_trust, temporaries_of_killed_runs_are_removed)
{
    const std::string here = host_name();
    const std::string dead = std::to_string(ended_process());
    const std::string live = std::to_string(getpid());
    const struct {
        const char* what;
        std::string name;
        long minutes;
        bool removed;
    } cases[] = {
        {"a killed run's, eleven minutes old", dead + "-0-0123456789abcdef@" + here, 11, true},
        {"a killed run's, nine minutes old", dead + "-1-0123456789abcdef@" + here, 9, false},
        {"a live run's, two hours old", live + "-0-0123456789abcdef@" + here, 120, false},
        {"one of another host, two hours old", dead + "-2-0123456789abcdef@" + here + "x", 120,
         false},
        {"one of another host, two days old", dead + "-3-0123456789abcdef@elsewhere", 2880, true},
        {"a live run's, two days old (its ID taken again)", live + "-1-0123456789abcdef@" + here,
         2880, true},
        {"another name, two days old", "notes@" + here, 2880, false},
        {"process ID 0, two days old", "0-0-0123456789abcdef@" + here, 2880, false},
    };
    scratch_directory scratch;
    opened(scratch.path);
    for (const auto& c : cases) {
        scratch_directory::write(scratch.path / "tmp" / c.name, "half an entry");
        age(scratch.path / "tmp" / c.name, c.minutes);
    }
    opened(scratch.path);
    for (const auto& c : cases)
        EXPECT_EQ(fs::exists(scratch.path / "tmp" / c.name), !c.removed) << c.what;
}

// A subdirectory someone else could write to, or that is not a directory of
// its own, makes the cache refused, as the directory itself would.
TEST(cache_trust, subdirectories_that_may_not_be_trusted)
{
    const struct {
        const char* what;
        bool needs_root;
        std::function<void(const fs::path& cache)> prepare;
        std::string problem;
    } cases[] = {
        {"entries others may write", false,
         [](const fs::path& cache) { fs::permissions(cache / "entries", fs::perms::all); },
         "entries: others may write to it"},
        {"entries a symbolic link to a directory of the user", false,
         [](const fs::path& cache) {
             fs::remove(cache / "entries");
             fs::create_directory(cache / "elsewhere");
             fs::create_directory_symlink(cache / "elsewhere", cache / "entries");
         },
         "entries: Not a directory"},
        {"tmp of another user", true,
         [](const fs::path& cache) {
             ASSERT_EQ(chown((cache / "tmp").c_str(), other_user, other_user), 0);
         },
         "tmp: it belongs to another user"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needs_root && geteuid() != 0)
            continue;
        scratch_directory scratch;
        opened(scratch.path);
        c.prepare(scratch.path);
        const cache_opening opening = open_cache(scratch.path.string());
        EXPECT_FALSE(opening.cache);
        EXPECT_EQ(describe(opening.problem), c.problem);
    }
}

namespace {

// Runs the function in a child process and gives back the line it wrote.
std::string in_child(const std::function<std::string()>& run)
{
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0)
        return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(pipe_ends[0]);
        const std::string line = run();
        const ssize_t written = write(pipe_ends[1], line.data(), line.size());
        _exit(written == ssize_t(line.size()) ? 0 : 1);
    }
    close(pipe_ends[1]);
    std::string line;
    char buffer[256];
    for (ssize_t got; (got = read(pipe_ends[0], buffer, sizeof buffer)) > 0;)
        line.append(buffer, std::size_t(got));
    close(pipe_ends[0]);
    waitpid(child, nullptr, 0);
    return line;
}

// Mounts the directory read-only in a mount namespace of the process's own;
// "" or why it cannot.
std::string mount_read_only(const fs::path& directory)
{
    if (unshare(CLONE_NEWNS) != 0)
        return std::string("no mount namespace: ") + std::strerror(errno);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
        || mount(directory.c_str(), directory.c_str(), nullptr, MS_BIND, nullptr) != 0
        || mount(nullptr, directory.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr)
               != 0)
        return std::string("no read-only mount: ") + std::strerror(errno);
    return "";
}

}

// A cache on a read-only mount is still read: lookups take its entries,
// every store fails with the reason, and nothing in it is removed. (A
// directory its owner made read-only is pinned end to end.)
TEST(cache_trust, a_read_only_mount_is_used_for_lookups)
{
    scratch_directory scratch;
    const cache_key key = make_key({"kept"});
    ASSERT_FALSE(opened(scratch.path).store(key, "kept"));
    const fs::path stale = scratch.path / "tmp" / (std::to_string(ended_process()) + "-0-0@");
    scratch_directory::write(stale, "");
    age(stale, 2880);
    const std::string seen = in_child([&]() -> std::string {
        if (const std::string why = mount_read_only(scratch.path); !why.empty())
            return "skip: " + why;
        const cache_opening opening = open_cache(scratch.path.string());
        if (!opening.cache)
            return "refused: " + describe(opening.problem);
        const std::optional<std::string> found = opening.cache->lookup(key, any_size);
        const failure error = opening.cache->store(make_key({"new"}), "n");
        return "lookup " + found.value_or("(none)") + ", store " + describe(error)
            + ", stale temporary " + (fs::exists(stale) ? "kept" : "removed");
    });
    if (seen.rfind("skip: ", 0) == 0)
        GTEST_SKIP() << seen.substr(6);
    EXPECT_EQ(seen, "lookup kept, store Read-only file system, stale temporary kept");
}
