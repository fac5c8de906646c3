#include "output/list_files.hpp"
#include "scratch_cwd.hpp"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

TEST(counter_text, pads_to_the_digits_of_the_count)
{
    struct counter_case {
        std::size_t index, count;
        const char* expected;
    };
    const counter_case cases[] = {
        {0, 1, "0"},     {8, 9, "8"},       {0, 10, "00"},     {9, 10, "09"},
        {7, 12, "07"},   {11, 12, "11"},    {0, 99, "00"},     {0, 100, "000"},
        {99, 100, "099"}, {100, 101, "100"}, {5, 1000, "0005"}, {999, 1000, "0999"},
    };
    for (const auto& [index, count, expected] : cases) {
        SCOPED_TRACE(testing::Message() << index << " of " << count);
        EXPECT_EQ(counter_text(index, count), expected);
    }
}

TEST(write_list_file, append_keeps_and_truncate_empties)
{
    scratch_cwd dir;
    EXPECT_FALSE(write_list_file("a.lst", list_open::append, "one\n"));
    EXPECT_FALSE(write_list_file("a.lst", list_open::append, "two\n"));
    EXPECT_EQ(scratch_cwd::read("a.lst"), "one\ntwo\n");

    EXPECT_FALSE(write_list_file("a.lst", list_open::truncate, "3"));
    EXPECT_EQ(scratch_cwd::read("a.lst"), "3");
    EXPECT_FALSE(write_list_file("t.lst", list_open::truncate, "new"));
    EXPECT_EQ(scratch_cwd::read("t.lst"), "new");
    EXPECT_FALSE(write_list_file("empty.lst", list_open::append, ""));
    EXPECT_EQ(scratch_cwd::read("empty.lst"), "");
    EXPECT_TRUE(fs::exists("empty.lst"));
}

TEST(write_list_file, created_readable_and_writable_for_all_before_the_mask)
{
    scratch_cwd dir;
    const mode_t saved = umask(0);
    write_list_file("append.lst", list_open::append, "x");
    write_list_file("truncate.lst", list_open::truncate, "x");
    collective_list().start("reset.lst");
    umask(022);
    write_list_file("masked.lst", list_open::append, "x");
    umask(saved);
    const auto perms_of = [](const char* name) {
        return fs::status(name).permissions() & fs::perms::all;
    };
    const auto all_rw = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read
        | fs::perms::group_write | fs::perms::others_read | fs::perms::others_write;
    EXPECT_EQ(perms_of("append.lst"), all_rw);
    EXPECT_EQ(perms_of("truncate.lst"), all_rw);
    EXPECT_EQ(perms_of("reset.lst"), all_rw);
    EXPECT_EQ(perms_of("masked.lst"),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read
                  | fs::perms::others_read);
}

// Each failure comes back as the system's reason, for the run to report.
TEST(write_list_file, failures_give_the_system_error)
{
    scratch_cwd dir;
    fs::create_directory("taken.lst");
    for (const auto kind : {list_open::append, list_open::truncate}) {
        EXPECT_EQ(write_list_file("taken.lst", kind, "x"), system_failure(EISDIR));
        EXPECT_EQ(write_list_file("missing/dir.lst", kind, "x"), system_failure(ENOENT));
    }
    collective_list taken;
    EXPECT_EQ(taken.start("taken.lst"), system_failure(EISDIR));
    EXPECT_EQ(collective_list().start("missing/_all.lst"), system_failure(ENOENT));
    // After a failed start nothing is tried again, and the file is not taken
    // for the list.
    EXPECT_EQ(taken.append("x"), system_failure(EISDIR));
    struct stat seen {};
    ASSERT_EQ(stat("taken.lst", &seen), 0);
    EXPECT_FALSE(taken.is(seen));
}

TEST(collective_list, creates_or_empties_and_tells_which_file_it_is)
{
    scratch_cwd dir;
    scratch_cwd::write("_all.lst", "old results\n");
    scratch_cwd::write("other.lst", "");
    collective_list all;
    EXPECT_FALSE(all.start("_all.lst"));
    EXPECT_FALSE(collective_list().start("_index.lst"));
    const std::map<std::string, std::string> expected = {
        {"_all.lst", ""}, {"_index.lst", ""}, {"other.lst", ""}};
    EXPECT_EQ(dir.files(), expected);
    struct stat seen {};
    ASSERT_EQ(stat("_all.lst", &seen), 0);
    EXPECT_TRUE(all.is(seen));
    ASSERT_EQ(stat("other.lst", &seen), 0);
    EXPECT_FALSE(all.is(seen));
    EXPECT_FALSE(collective_list().is(seen));
}
