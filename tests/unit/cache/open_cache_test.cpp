#include "cache/document_cache.hpp"
#include "scratch_directory.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

mode_t mode_of(const fs::path& name)
{
    struct stat status {};
    EXPECT_EQ(stat(name.c_str(), &status), 0) << name;
    return status.st_mode & 07777;
}

TEST(open_cache, a_missing_directory_is_made_with_its_parents_for_the_owner_alone)
{
    scratch_directory scratch;
    const mode_t umask_before = umask(022);
    const fs::path directory = scratch.path / "a" / "b" / "cache";
    const cache_opening opening = open_cache(directory.string());
    umask(umask_before);
    ASSERT_TRUE(opening.cache) << describe(opening.problem);
    EXPECT_FALSE(opening.problem);
    EXPECT_EQ(opening.cache->directory(), directory.string());
    for (const fs::path& made : {scratch.path / "a", scratch.path / "a" / "b", directory,
                                 directory / "entries", directory / "tmp"})
        EXPECT_EQ(mode_of(made), 0700u) << made;
}

// Existing directories by their mode: accepted unless group or others may
// write to them, whatever else their bits say.
TEST(open_cache, existing_directories_by_mode)
{
    const struct {
        mode_t mode;
        const char* problem;
    } cases[] = {
        {0700, ""}, {0755, ""}, {0711, ""}, {0720, "others may write to it"},
        {0702, "others may write to it"}, {0777, "others may write to it"},
        {01777, "others may write to it"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        scratch_directory scratch;
        ASSERT_EQ(chmod(scratch.path.c_str(), c.mode), 0);
        const cache_opening opening = open_cache(scratch.path.string());
        EXPECT_EQ(describe(opening.problem), c.problem);
        EXPECT_EQ(opening.cache.has_value(), *c.problem == '\0');
        EXPECT_EQ(mode_of(scratch.path), c.mode);
    }
}

TEST(open_cache, paths_that_are_no_usable_directory_are_refused_with_the_reason)
{
    scratch_directory scratch;
    scratch_directory::write(scratch.path / "file", "x");
    fs::create_symlink(scratch.path / "file", scratch.path / "link-to-file");
    const struct {
        fs::path path;
        const char* problem;
    } cases[] = {
        {scratch.path / "file", "Not a directory"},
        {scratch.path / "file" / "cache", "Not a directory"},
        {scratch.path / "link-to-file", "Not a directory"},
        {"", "No such file or directory"},
    };
    for (const auto& c : cases) {
        const cache_opening opening = open_cache(c.path.string());
        EXPECT_FALSE(opening.cache) << c.path;
        EXPECT_EQ(describe(opening.problem), c.problem) << c.path;
    }
    EXPECT_EQ(scratch_directory::read(scratch.path / "file"), "x");
}

TEST(open_cache, a_symbolic_link_to_a_good_directory_is_followed)
{
    scratch_directory scratch;
    fs::create_directory(scratch.path / "real");
    fs::permissions(scratch.path / "real", fs::perms::owner_all);
    fs::create_directory_symlink(scratch.path / "real", scratch.path / "link");
    const cache_opening opening = open_cache((scratch.path / "link").string());
    ASSERT_TRUE(opening.cache) << describe(opening.problem);
    ASSERT_FALSE(opening.cache->store(make_key({"k"}), "v"));
    EXPECT_EQ(scratch_directory::names_in(scratch.path / "real" / "entries"),
              std::vector<std::string>{make_key({"k"}).hex()});
}

TEST(open_cache, a_directory_of_another_user_is_refused)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can give a directory to another user";
    scratch_directory scratch;
    ASSERT_EQ(chmod(scratch.path.c_str(), 0700), 0);
    ASSERT_EQ(chown(scratch.path.c_str(), 65534, 65534), 0);
    const cache_opening opening = open_cache(scratch.path.string());
    EXPECT_FALSE(opening.cache);
    EXPECT_EQ(describe(opening.problem), "it belongs to another user");
}

TEST(open_cache, directories_the_user_may_not_make_or_search_are_refused)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permission bits do not stop root";
    scratch_directory scratch;
    fs::create_directory(scratch.path / "locked");
    fs::create_directory(scratch.path / "closed");
    ASSERT_EQ(chmod((scratch.path / "locked").c_str(), 0500), 0);
    ASSERT_EQ(chmod((scratch.path / "closed").c_str(), 0600), 0);
    for (const fs::path& path : {scratch.path / "locked" / "cache", scratch.path / "closed"}) {
        const cache_opening opening = open_cache(path.string());
        EXPECT_FALSE(opening.cache) << path;
        EXPECT_EQ(describe(opening.problem), "Permission denied") << path;
    }
}

}
