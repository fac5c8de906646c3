#include "cache/document_cache.hpp"
#include "cache/entry_format.hpp"
#include "scratch_directory.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <xxhash.h>

namespace {

// A bound that takes an entry of any size.
constexpr std::uint64_t any_size = UINT64_MAX;

document_cache opened(const fs::path& directory)
{
    cache_opening opening = open_cache(directory.string());
    if (!opening.cache)
        throw std::runtime_error(describe(opening.problem));
    return std::move(*opening.cache);
}

// Markup-like text.
std::string text_payload(std::size_t size)
{
    std::string text;
    for (int line = 0; text.size() < size; ++line)
        text += "<li class=\"item\"><a href=\"/page/" + std::to_string(line) + "\">Item " +
                std::to_string(line * 7) + "</a></li>\n";
    text.resize(size);
    return text;
}

// Bytes of every value.
std::string random_payload(std::size_t size)
{
    std::mt19937 generator(static_cast<unsigned>(size));
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator());
    return bytes;
}

TEST(document_cache, each_store_leaves_one_whole_entry_that_lookup_gives_back)
{
    scratch_directory scratch;
    const document_cache cache = opened(scratch.path);
    const cache_key key = make_key({"page"});
    EXPECT_FALSE(cache.lookup(key, any_size));
    for (const std::string& payload :
         {std::string(), std::string("x"), text_payload(20000), random_payload(70000),
          text_payload(3 << 20)}) {
        SCOPED_TRACE(payload.size());
        ASSERT_FALSE(cache.store(key, payload));
        EXPECT_EQ(cache.lookup(key, any_size), payload);
        EXPECT_EQ(scratch_directory::names_in(scratch.path / "entries"),
                  std::vector<std::string>{key.hex()});
        EXPECT_TRUE(scratch_directory::names_in(scratch.path / "tmp").empty());
        EXPECT_EQ(fs::file_size(scratch.path / "entries" / key.hex()),
                  entry_header_size + payload.size());
    }
    EXPECT_FALSE(cache.lookup(make_key({"pag", "e"}), any_size));
}

// The entry with its checksum made again over the changed header, as a
// writer of that format would have made it.
std::string resealed(std::string entry, std::size_t at, char byte)
{
    entry[at] = byte;
    std::string fields = entry.substr(0, 64);
    fields += entry.substr(entry_header_size);
    XXH128_canonical_t digest;
    XXH128_canonicalFromHash(&digest, XXH3_128bits(fields.data(), fields.size()));
    std::memcpy(entry.data() + 64, digest.digest, sizeof digest.digest);
    return entry;
}

std::string cut(const std::string& entry, std::size_t size)
{
    return entry.substr(0, std::min(size, entry.size()));
}

std::string flipped(std::string entry, std::size_t at)
{
    entry[std::min(at, entry.size() - 1)] ^= 0x20;
    return entry;
}

// Everything that may stand under an entry's name short of the entry
// itself; none of it is ever given back, and a later store replaces every
// kind the file system lets a rename replace.
TEST(document_cache, damaged_or_foreign_entries_are_never_used_and_a_store_mends_them)
{
    alarm(60);  // a lookup that blocks ends the test rather than hanging it
    using damage = std::function<void(const fs::path& entry, const std::string& good,
                                      const std::string& other_key_entry)>;
    const auto rewrite = [](std::function<std::string(const std::string&)> change) -> damage {
        return [change](const fs::path& entry, const std::string& good, const std::string&) {
            scratch_directory::write(entry, change(good));
        };
    };
    const struct {
        const char* name;
        damage apply;
        bool replaceable;
    } cases[] = {
        {"empty", rewrite([](auto& e) { return cut(e, 0); }), true},
        {"one byte", rewrite([](auto& e) { return cut(e, 1); }), true},
        {"header cut short", rewrite([](auto& e) { return cut(e, entry_header_size - 1); }), true},
        {"header only", rewrite([](auto& e) { return cut(e, entry_header_size); }), true},
        {"body cut short", rewrite([](auto& e) { return cut(e, e.size() - 1); }), true},
        {"a byte too many", rewrite([](auto& e) { return e + '\n'; }), true},
        {"magic", rewrite([](auto& e) { return flipped(e, 1); }), true},
        {"version", rewrite([](auto& e) { return flipped(e, 8); }), true},
        {"flags", rewrite([](auto& e) { return flipped(e, 12); }), true},
        {"key", rewrite([](auto& e) { return flipped(e, 47); }), true},
        {"payload length", rewrite([](auto& e) { return flipped(e, 48); }), true},
        {"unused field", rewrite([](auto& e) { return flipped(e, 56); }), true},
        {"checksum", rewrite([](auto& e) { return flipped(e, 79); }), true},
        {"first body byte", rewrite([](auto& e) { return flipped(e, entry_header_size); }), true},
        {"last body byte", rewrite([](auto& e) { return flipped(e, e.size() - 1); }), true},
        {"a later version", rewrite([](auto& e) { return resealed(e, 8, 3); }), true},
        {"a flag set", rewrite([](auto& e) { return resealed(e, 12, 7); }), true},
        {"the unused field set", rewrite([](auto& e) { return resealed(e, 60, 1); }), true},
        {"a wrong payload length", rewrite([](auto& e) { return resealed(e, 48, e[48] ^ 1); }), true},
        {"garbage", rewrite([](auto& e) { return random_payload(e.size()); }), true},
        {"another key's entry",
         [](const fs::path& entry, const std::string&, const std::string& other) {
             scratch_directory::write(entry, other);
         },
         true},
        {"a FIFO",
         [](const fs::path& entry, const std::string&, const std::string&) {
             fs::remove(entry);
             ASSERT_EQ(mkfifo(entry.c_str(), 0600), 0);
         },
         true},
        {"a symbolic link to a good entry elsewhere",
         [](const fs::path& entry, const std::string& good, const std::string&) {
             const fs::path elsewhere =
                 entry.parent_path().parent_path().parent_path() / "elsewhere";
             scratch_directory::write(elsewhere, good);
             fs::remove(entry);
             fs::create_symlink(elsewhere, entry);
         },
         true},
        {"a directory",
         [](const fs::path& entry, const std::string&, const std::string&) {
             fs::remove(entry);
             fs::create_directory(entry);
         },
         false},
    };
    for (const std::string& payload : {text_payload(10000), random_payload(3000)}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", payload of " + std::to_string(payload.size()));
            scratch_directory scratch;
            const document_cache cache = opened(scratch.path / "cache");
            const fs::path directory = scratch.path / "cache" / "entries";
            const cache_key key = make_key({payload}), other = make_key({"other"});
            ASSERT_FALSE(cache.store(other, payload));
            const std::string other_entry = scratch_directory::read(directory / other.hex());
            fs::remove(directory / other.hex());
            ASSERT_FALSE(cache.store(key, payload));
            const std::string good = scratch_directory::read(directory / key.hex());
            // Resealing a field with its own value leaves a good entry.
            scratch_directory::write(directory / key.hex(), resealed(good, 60, good[60]));
            ASSERT_EQ(cache.lookup(key, any_size), payload);
            c.apply(directory / key.hex(), good, other_entry);

            EXPECT_FALSE(cache.lookup(key, any_size));
            EXPECT_EQ(cache.store(key, payload), c.replaceable ? failure{} : system_failure(EISDIR));
            EXPECT_EQ(cache.lookup(key, any_size).has_value(), c.replaceable);
            EXPECT_EQ(scratch_directory::names_in(directory), std::vector<std::string>{key.hex()});
            if (fs::exists(scratch.path / "elsewhere")) {
                EXPECT_EQ(scratch_directory::read(scratch.path / "elsewhere"), good);
            }
        }
    }
    alarm(0);
}

// Stores that fail return the system's reason and leave no temporary file.
TEST(document_cache, a_failing_store_returns_the_error_and_leaves_nothing_behind)
{
    const struct {
        const char* name;
        failure error;
        std::function<failure(const document_cache&, const fs::path&, const cache_key&)> attempt;
    } cases[] = {
        {"a directory under the entry's name", system_failure(EISDIR),
         [](const document_cache& cache, const fs::path& directory, const cache_key& key) {
             fs::create_directory(directory / "entries" / key.hex());
             return cache.store(key, "payload");
         }},
        {"an entry over the file size limit", system_failure(EFBIG),
         [](const document_cache& cache, const fs::path&, const cache_key& key) {
             rlimit before{};
             getrlimit(RLIMIT_FSIZE, &before);
             const rlimit small{1000, before.rlim_max};
             const auto signal_before = std::signal(SIGXFSZ, SIG_IGN);
             setrlimit(RLIMIT_FSIZE, &small);
             const failure error = cache.store(key, random_payload(5000));
             setrlimit(RLIMIT_FSIZE, &before);
             std::signal(SIGXFSZ, signal_before);
             return error;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        scratch_directory scratch;
        const document_cache cache = opened(scratch.path);
        const cache_key key = make_key({c.name});
        EXPECT_EQ(c.attempt(cache, scratch.path, key), c.error);
        for (const std::string& name : scratch_directory::names_in(scratch.path / "entries"))
            EXPECT_EQ(name, key.hex()) << "left behind";
        EXPECT_TRUE(scratch_directory::names_in(scratch.path / "tmp").empty());
    }
}

TEST(document_cache, a_store_into_a_read_only_entries_directory_fails_with_eacces)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permission bits do not stop root";
    scratch_directory scratch;
    const document_cache cache = opened(scratch.path);
    ASSERT_EQ(chmod((scratch.path / "entries").c_str(), 0500), 0);
    EXPECT_EQ(cache.store(make_key({"k"}), "v"), system_failure(EACCES));
    ASSERT_EQ(chmod((scratch.path / "entries").c_str(), 0700), 0);
    EXPECT_TRUE(scratch_directory::names_in(scratch.path / "entries").empty());
    EXPECT_TRUE(scratch_directory::names_in(scratch.path / "tmp").empty());
}

TEST(document_cache, a_directory_swapped_in_after_opening_is_not_followed)
{
    scratch_directory scratch;
    const document_cache cache = opened(scratch.path / "cache");
    fs::rename(scratch.path / "cache", scratch.path / "moved");
    fs::create_directory(scratch.path / "cache");
    const cache_key key = make_key({"k"});
    ASSERT_FALSE(cache.store(key, "v"));
    EXPECT_EQ(cache.lookup(key, any_size), "v");
    EXPECT_EQ(scratch_directory::names_in(scratch.path / "moved" / "entries"),
              std::vector<std::string>{key.hex()});
    EXPECT_TRUE(scratch_directory::names_in(scratch.path / "cache").empty());
}

// Processes forked after the cache was opened read what the parent stored
// and store over one another, while the parent reads: every read gives
// none or one payload whole, and no temporary file is left.
TEST(document_cache, forked_processes_share_the_cache_and_never_see_half_an_entry)
{
    scratch_directory scratch;
    const document_cache cache = opened(scratch.path);
    const cache_key shared = make_key({"shared"}), seeded = make_key({"seeded"});
    ASSERT_FALSE(cache.store(seeded, "from the parent"));
    std::vector<std::string> payloads;
    for (int i = 0; i < 6; ++i)
        payloads.push_back(text_payload(std::size_t(40000 + 1000 * i)));
    std::vector<pid_t> children;
    for (int child = 0; child < 3; ++child) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool good = cache.lookup(seeded, any_size) == "from the parent";
            for (int round = 0; round < 30; ++round)
                good = !cache.store(shared, payloads[std::size_t(round + child) % 6]) && good;
            _exit(good ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        pid_t ended = 0;
        while ((ended = waitpid(pid, &status, WNOHANG)) == 0) {
            const std::optional<std::string> found = cache.lookup(shared, any_size);
            if (found) {
                EXPECT_NE(std::find(payloads.begin(), payloads.end(), *found), payloads.end());
            }
        }
        ASSERT_EQ(ended, pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_TRUE(cache.lookup(shared, any_size));
    EXPECT_TRUE(scratch_directory::names_in(scratch.path / "tmp").empty());
    EXPECT_EQ(scratch_directory::names_in(scratch.path / "entries"),
              (std::vector<std::string>{std::min(shared.hex(), seeded.hex()),
                                        std::max(shared.hex(), seeded.hex())}));
}

}
