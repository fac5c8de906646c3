#include "output/output_modes.hpp"
#include "scratch_cwd.hpp"

#include <climits>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>

namespace fs = std::filesystem;

namespace {

using file_map = std::map<std::string, std::string>;

// Writes one input's results as a run does: list files in the working
// directory, each piece's file on its own; returns what was meant for
// standard output.
std::string write_results(const std::vector<std::string>& items, int mode, bool prefix,
                          const std::string& display_name)
{
    std::string out;
    for (const output_piece& piece : results_output(items, mode, prefix, display_name)) {
        if (piece.file.empty())
            out += piece.text;
        else
            write_list_file(piece.file, piece.kind, piece.text);
    }
    return out;
}

// What one input's results left behind.
struct written {
    std::string out;
    file_map files;
};

written write_in_scratch(const std::vector<std::string>& items, int mode, bool prefix,
                         const std::string& display_name)
{
    scratch_cwd dir;
    const std::string out = write_results(items, mode, prefix, display_name);
    return {out, dir.files()};
}

const std::vector<std::string> two_items = {"<a href=\"/1\">One</a>\n",
                                            "<li>\n    <b>Two</b> &amp; 2</li>\n"};
const std::string group = "<a href=\"/1\">One</a>\n\n<li>\n    <b>Two</b> &amp; 2</li>\n\n";
const std::string prefix_line = "<!--page.html-->\n";

}

TEST(write_results, every_mode_with_and_without_prefix)
{
    struct mode_case {
        int mode;
        bool prefix;
        std::string out;
        file_map files;
    };
    const std::string clean_index = "<LI class='indx'><A href='page.html'>One</A></LI>\n"
                                    "<LI class='indx'><A href='page.html'>Two &amp; 2</A></LI>\n";
    const std::string raw_index =
        "<LI class='indx'><A href='page.html'><a href=\"/1\">One</a>\n</A></LI>\n"
        "<LI class='indx'><A href='page.html'><li>\n    <b>Two</b> &amp; 2</li>\n</A></LI>\n";
    const mode_case cases[] = {
        {0, false, group, {}},
        {0, true, prefix_line + group, {}},
        {1, false, "", {{"_all.lst", group}}},
        {1, true, "", {{"_all.lst", prefix_line + group}}},
        {2, false, "", {{"page.html.lst", group}}},
        {2, true, "", {{"page.html.lst", prefix_line + group}}},
        {3, false, "", {{"page.html.0.lst", two_items[0] + "\n"},
                        {"page.html.1.lst", two_items[1] + "\n"}}},
        {3, true, "", {{"page.html.0.lst", prefix_line + two_items[0] + "\n"},
                       {"page.html.1.lst", prefix_line + two_items[1] + "\n"}}},
        {4, false, "", {{"0.lst", two_items[0] + "\n"}, {"1.lst", two_items[1] + "\n"}}},
        {4, true, "", {{"0.lst", prefix_line + two_items[0] + "\n"},
                       {"1.lst", prefix_line + two_items[1] + "\n"}}},
        {5, false, "", {{"_index.lst", clean_index}}},
        {5, true, "", {{"_index.lst", clean_index}}},
        {6, false, "", {{"_index.lst", raw_index}}},
        {6, true, "", {{"_index.lst", raw_index}}},
        {7, true, "", {}},
        {-1, true, "", {}},
        {INT_MAX, false, "", {}},
        {INT_MIN, true, "", {}},
    };
    for (const auto& [mode, prefix, out, files] : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << mode << (prefix ? " with" : " without")
                                        << " prefix");
        const written result = write_in_scratch(two_items, mode, prefix, "page.html");
        EXPECT_EQ(result.out, out);
        EXPECT_EQ(result.files, files);
    }
}

TEST(write_results, an_input_without_items)
{
    struct empty_case {
        int mode;
        bool prefix;
        std::string out;
        file_map files;
    };
    const empty_case cases[] = {
        {0, true, prefix_line, {}},
        {0, false, "", {}},
        {1, true, "", {{"_all.lst", prefix_line}}},
        {1, false, "", {{"_all.lst", ""}}},
        {2, true, "", {{"page.html.lst", prefix_line}}},
        {2, false, "", {{"page.html.lst", ""}}},
        {3, true, "", {}},
        {4, true, "", {}},
        {5, true, "", {{"_index.lst", ""}}},
        {6, true, "", {{"_index.lst", ""}}},
    };
    for (const auto& [mode, prefix, out, files] : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << mode << (prefix ? " with" : " without")
                                        << " prefix");
        const written result = write_in_scratch({}, mode, prefix, "page.html");
        EXPECT_EQ(result.out, out);
        EXPECT_EQ(result.files, files);
    }
}

TEST(write_results, counters_take_the_width_of_the_item_count)
{
    struct width_case {
        int mode;
        std::size_t count;
        std::string first, last;
    };
    const width_case cases[] = {
        {4, 1, "0.lst", "0.lst"},
        {4, 9, "0.lst", "8.lst"},
        {4, 10, "00.lst", "09.lst"},
        {3, 12, "stdin.00.lst", "stdin.11.lst"},
        {4, 100, "000.lst", "099.lst"},
        {3, 101, "stdin.000.lst", "stdin.100.lst"},
    };
    for (const auto& [mode, count, first, last] : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << mode << ", " << count << " items");
        std::vector<std::string> items;
        for (std::size_t i = 0; i < count; ++i)
            items.push_back("<p>" + std::to_string(i) + "</p>\n");
        const written result = write_in_scratch(items, mode, true, "stdin");
        ASSERT_EQ(result.files.size(), count);
        EXPECT_EQ(result.files.begin()->first, first);
        EXPECT_EQ(result.files.rbegin()->first, last);
        EXPECT_EQ(result.files.begin()->second, "<!--stdin-->\n<p>0</p>\n\n");
        EXPECT_EQ(result.files.rbegin()->second,
                  "<!--stdin-->\n<p>" + std::to_string(count - 1) + "</p>\n\n");
    }
}

TEST(write_results, collective_files_grow_and_per_input_files_are_rewritten)
{
    scratch_cwd dir;
    for (const int mode : {1, 2, 4, 5})
        for (const char* name : {"a.html", "b.html"})
            write_results({std::string("<p>") + name + "</p>\n"}, mode, true, name);
    write_results({"<p>again</p>\n"}, 2, false, "a.html");
    const file_map expected = {
        {"_all.lst", "<!--a.html-->\n<p>a.html</p>\n\n<!--b.html-->\n<p>b.html</p>\n\n"},
        {"a.html.lst", "<p>again</p>\n\n"},
        {"b.html.lst", "<!--b.html-->\n<p>b.html</p>\n\n"},
        {"0.lst", "<!--b.html-->\n<p>b.html</p>\n\n"},
        {"_index.lst", "<LI class='indx'><A href='a.html'>a.html</A></LI>\n"
                       "<LI class='indx'><A href='b.html'>b.html</A></LI>\n"},
    };
    EXPECT_EQ(dir.files(), expected);
}

TEST(write_results, list_files_beside_an_input_in_a_subdirectory)
{
    scratch_cwd dir;
    fs::create_directory("sub");
    write_results({"<p>1</p>\n", "<p>2</p>\n"}, 2, false, "sub/a.html");
    write_results({"<p>1</p>\n", "<p>2</p>\n"}, 3, false, "sub/a.html");
    // No such directory: nothing is written, and nothing fails.
    write_results({"<p>1</p>\n"}, 2, true, "gone/a.html");
    write_results({"<p>1</p>\n"}, 3, true, "gone/a.html");
    const file_map expected = {
        {"sub/a.html.lst", "<p>1</p>\n\n<p>2</p>\n\n"},
        {"sub/a.html.0.lst", "<p>1</p>\n\n"},
        {"sub/a.html.1.lst", "<p>2</p>\n\n"},
    };
    EXPECT_EQ(dir.files(), expected);
}

TEST(write_results, each_item_file_is_tried_on_its_own)
{
    scratch_cwd dir;
    fs::create_directory("0.lst");
    scratch_cwd::write("2.lst", "an older and much longer item file\n");
    write_results({"<p>0</p>\n", "<p>1</p>\n", "<p>2</p>\n"}, 4, false, "x.html");
    const file_map expected = {{"1.lst", "<p>1</p>\n\n"}, {"2.lst", "<p>2</p>\n\n"}};
    EXPECT_EQ(dir.files(), expected);
}
