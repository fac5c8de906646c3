// The seven output modes through the whole program: standard output, the
// list files and their names, counters, prefix lines and index lines.
#include "harness.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using e2e::run_vestrel;
using e2e::scratch_dir;
using file_map = std::map<std::string, std::string>;

const std::string news_page =
    "<!DOCTYPE html><html><head><title>News</title></head><body>"
    "<ul class=\"menu\"><li><a href=\"/\">Home</a></li><li><a href=\"/world\">World</a></li>"
    "<li><a href=\"/sport\">Sport &amp; Games</a></li></ul>"
    "<ul class=\"tags\"><li><a href=\"/t/1\">Tag</a></li></ul>"
    "</body></html>";
const std::string menu_selector = "ul.menu > li a";

const std::string item0 = "<a href=\"/\">Home</a>\n";
const std::string item1 = "<a href=\"/world\">World</a>\n";
const std::string item2 = "<a href=\"/sport\">Sport &amp; Games</a>\n";
const std::string group = item0 + "\n" + item1 + "\n" + item2 + "\n";
const std::string prefix_line = "<!--news.html-->\n";

std::string index_line(const std::string& name, const std::string& text)
{
    return "<LI class='indx'><A href='" + name + "'>" + text + "</A></LI>\n";
}

// The files a run left in the scratch directory, without the inputs.
file_map output_files(const scratch_dir& dir, const std::vector<std::string>& inputs)
{
    file_map files = dir.files();
    for (const auto& input : inputs)
        files.erase(input);
    return files;
}

std::string many_items_page(int count)
{
    std::string page = "<ol>";
    for (int i = 0; i < count; ++i)
        page += "<li>" + std::to_string(i) + "</li>";
    return page + "</ol>";
}

}

TEST(output_modes, each_mode_with_and_without_prefix)
{
    struct mode_case {
        std::string mode;
        bool prefix;
        std::string out;
        file_map files;
    };
    const std::string clean_index = index_line("news.html", "Home")
        + index_line("news.html", "World") + index_line("news.html", "Sport &amp; Games");
    const std::string raw_index = index_line("news.html", item0)
        + index_line("news.html", item1) + index_line("news.html", item2);
    const mode_case cases[] = {
        {"0", false, group, {}},
        {"0", true, prefix_line + group, {}},
        {"1", false, "", {{"_all.lst", group}}},
        {"1", true, "", {{"_all.lst", prefix_line + group}}},
        {"2", false, "", {{"news.html.lst", group}}},
        {"2", true, "", {{"news.html.lst", prefix_line + group}}},
        {"3", false, "", {{"news.html.0.lst", item0 + "\n"}, {"news.html.1.lst", item1 + "\n"},
                          {"news.html.2.lst", item2 + "\n"}}},
        {"3", true, "", {{"news.html.0.lst", prefix_line + item0 + "\n"},
                         {"news.html.1.lst", prefix_line + item1 + "\n"},
                         {"news.html.2.lst", prefix_line + item2 + "\n"}}},
        {"4", false, "", {{"0.lst", item0 + "\n"}, {"1.lst", item1 + "\n"},
                          {"2.lst", item2 + "\n"}}},
        {"4", true, "", {{"0.lst", prefix_line + item0 + "\n"},
                         {"1.lst", prefix_line + item1 + "\n"},
                         {"2.lst", prefix_line + item2 + "\n"}}},
        {"5", false, "", {{"_index.lst", clean_index}}},
        {"5", true, "", {{"_index.lst", clean_index}}},
        {"6", false, "", {{"_index.lst", raw_index}}},
        {"6", true, "", {{"_index.lst", raw_index}}},
        {"7", true, "", {}},
        {"-1", true, "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("-m " + c.mode + (c.prefix ? " -p" : ""));
        scratch_dir dir;
        dir.write("news.html", news_page);
        std::vector<std::string> args = {"-m", c.mode, menu_selector, "news.html"};
        if (c.prefix)
            args.insert(args.begin(), "-p");
        const auto run = run_vestrel(args, dir.path);
        EXPECT_EQ(run.exit_code, 0);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(output_files(dir, {"news.html"}), c.files);
    }
}

TEST(output_modes, modes_that_write_nothing_still_show_diagnostics)
{
    for (const std::string mode : {"7", "-1", "2147483647"}) {
        SCOPED_TRACE(mode);
        scratch_dir dir;
        dir.write("news.html", news_page);
        const auto run = run_vestrel({"-d", "-p", "-m", mode, menu_selector, "news.html"}, dir.path);
        EXPECT_EQ(run.exit_code, 0);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(output_files(dir, {"news.html"}).empty());
        EXPECT_NE(run.err.find("**** Loading: news.html\n**** BEGIN The HTML raw source\n"),
                  std::string::npos);
        EXPECT_NE(run.err.find("**** END XHTML\n"), std::string::npos);
    }
}

TEST(output_modes, an_input_without_matches)
{
    struct empty_case {
        std::vector<std::string> args;
        std::string out;
        file_map files;
    };
    const empty_case cases[] = {
        {{"-p", "-m", "0"}, prefix_line, {}},
        {{"-m", "0"}, "", {}},
        {{"-p", "-m", "1"}, "", {{"_all.lst", prefix_line}}},
        {{"-p", "-m", "2"}, "", {{"news.html.lst", prefix_line}}},
        {{"-m", "2"}, "", {{"news.html.lst", ""}}},
        {{"-p", "-m", "3"}, "", {}},
        {{"-p", "-m", "4"}, "", {}},
        {{"-p", "-m", "5"}, "", {{"_index.lst", ""}}},
        {{"-p", "-m", "6"}, "", {{"_index.lst", ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        scratch_dir dir;
        dir.write("news.html", news_page);
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"table", "news.html"});
        const auto run = run_vestrel(args, dir.path);
        EXPECT_EQ(run.exit_code, 0);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(output_files(dir, {"news.html"}), c.files);
    }
}

TEST(output_modes, two_inputs_share_one_list_file_that_each_run_starts_afresh)
{
    scratch_dir dir;
    dir.write("a.html", "<p>first</p><p>second</p>");
    dir.write("b.html", "<p>third</p>");
    dir.write("_all.lst", "left over from an earlier run\n");
    const std::string all = "<!--a.html-->\n<p>first</p>\n\n<p>second</p>\n\n"
                            "<!--b.html-->\n<p>third</p>\n\n";
    const std::string index = index_line("a.html", "first") + index_line("a.html", "second")
        + index_line("b.html", "third");
    for (int run_number = 0; run_number < 2; ++run_number) {
        SCOPED_TRACE(run_number);
        EXPECT_EQ(run_vestrel({"-p", "-m", "1", "p", "a.html", "b.html"}, dir.path).exit_code, 0);
        EXPECT_EQ(dir.read("_all.lst"), all);
        EXPECT_EQ(run_vestrel({"-p", "-m", "5", "p", "a.html", "b.html"}, dir.path).exit_code, 0);
        EXPECT_EQ(dir.read("_index.lst"), index);
    }
    // Files per input and per item are rewritten by each input.
    EXPECT_EQ(run_vestrel({"-m", "4", "p", "a.html", "b.html"}, dir.path).exit_code, 0);
    EXPECT_EQ(dir.read("0.lst"), "<p>third</p>\n\n");
    EXPECT_EQ(dir.read("1.lst"), "<p>second</p>\n\n");
}

TEST(output_modes, counter_width_follows_the_item_count)
{
    struct width_case {
        int items;
        std::string first, last;
    };
    const width_case cases[] = {
        {1, "0.lst", "0.lst"},
        {9, "0.lst", "8.lst"},
        {10, "00.lst", "09.lst"},
        {12, "00.lst", "11.lst"},
        {100, "000.lst", "099.lst"},
        {101, "000.lst", "100.lst"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.items);
        scratch_dir dir;
        dir.write("list.html", many_items_page(c.items));
        ASSERT_EQ(run_vestrel({"-m", "4", "li", "list.html"}, dir.path).exit_code, 0);
        const file_map files = output_files(dir, {"list.html"});
        ASSERT_EQ(files.size(), std::size_t(c.items));
        EXPECT_EQ(files.begin()->first, c.first);
        EXPECT_EQ(files.begin()->second, "<li>0</li>\n\n");
        EXPECT_EQ(files.rbegin()->first, c.last);
        EXPECT_EQ(files.rbegin()->second, "<li>" + std::to_string(c.items - 1) + "</li>\n\n");
    }
}

TEST(output_modes, one_file_per_item_from_standard_input)
{
    scratch_dir dir;
    const auto run = run_vestrel({"-p", "-m", "3", "li"}, dir.path, many_items_page(12));
    EXPECT_EQ(run.exit_code, 0);
    const file_map files = dir.files();
    ASSERT_EQ(files.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        const std::string name = "stdin." + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".lst";
        ASSERT_EQ(files.count(name), 1u) << name;
        EXPECT_EQ(files.at(name), "<!--stdin-->\n<li>" + std::to_string(i) + "</li>\n\n");
    }
    EXPECT_EQ(run_vestrel({"-m", "2", "li"}, dir.path, many_items_page(1)).exit_code, 0);
    EXPECT_EQ(dir.read("stdin.lst"), "<li>0</li>\n\n");
}

TEST(output_modes, list_files_beside_an_input_in_a_subdirectory)
{
    scratch_dir dir;
    dir.write("sub/a.html", "<p>one</p><p>two</p>");
    ASSERT_EQ(run_vestrel({"-p", "-m", "2", "p", "sub/a.html"}, dir.path).exit_code, 0);
    ASSERT_EQ(run_vestrel({"-m", "3", "p", "sub/a.html"}, dir.path).exit_code, 0);
    ASSERT_EQ(run_vestrel({"-m", "6", "p", "sub/a.html"}, dir.path).exit_code, 0);
    const file_map expected = {
        {"sub/a.html.lst", "<!--sub/a.html-->\n<p>one</p>\n\n<p>two</p>\n\n"},
        {"sub/a.html.0.lst", "<p>one</p>\n\n"},
        {"sub/a.html.1.lst", "<p>two</p>\n\n"},
        {"_index.lst", index_line("sub/a.html", "<p>one</p>\n")
                           + index_line("sub/a.html", "<p>two</p>\n")},
    };
    EXPECT_EQ(output_files(dir, {"sub/a.html"}), expected);
}

TEST(output_modes, index_lines_cleaned_and_raw)
{
    // Tidy wraps the long paragraph; the nested list item spans lines.
    const std::string page =
        "<ul><li><a href=\"/a\">Alpha &amp; Omega</a> <b>new</b></li>"
        "<li>  spaced   out  </li></ul>"
        "<p>A paragraph long enough that the cleaner has to wrap it over more than one "
        "line of its output, which the index turns back into one.</p>"
        "<div><!-- note > here --><i>x</i></div>";
    scratch_dir dir;
    dir.write("page.html", page);
    ASSERT_EQ(run_vestrel({"-m", "5", "li, p, div", "page.html"}, dir.path).exit_code, 0);
    // The printer puts line ends and indentation between the tags: they become
    // spaces, and the ones at the ends are trimmed. A ">" inside a comment ends
    // the tag there.
    EXPECT_EQ(dir.read("_index.lst"),
              index_line("page.html", "Alpha &amp; Omega     new")
                  + index_line("page.html", "spaced out")
                  + index_line("page.html",
                               "A paragraph long enough that the cleaner has to wrap it over "
                               "more than one line of its output, which the index turns back "
                               "into one.")
                  + index_line("page.html", "here -->     x"));

    ASSERT_EQ(run_vestrel({"-m", "6", "li", "page.html"}, dir.path).exit_code, 0);
    EXPECT_EQ(dir.read("_index.lst"),
              index_line("page.html", "<li>\n    <a href=\"/a\">Alpha &amp; Omega</a>\n"
                                      "    <b>new</b>\n</li>\n")
                  + index_line("page.html", "<li>spaced out</li>\n"));
}

TEST(output_modes, list_files_are_created_readable_and_writable_for_all)
{
    scratch_dir dir;
    dir.write("news.html", news_page);
    const mode_t saved = umask(0);
    for (const std::string mode : {"1", "2", "3", "5"})
        run_vestrel({"-m", mode, menu_selector, "news.html"}, dir.path);
    umask(saved);
    for (const std::string name : {"_all.lst", "news.html.lst", "news.html.0.lst", "_index.lst"}) {
        SCOPED_TRACE(name);
        struct stat info {};
        ASSERT_EQ(stat((dir.path / name).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0666u);
    }
}

// A list file that cannot be written is reported once, with its name and the
// system's reason; the other files are written, and the run ends with 3.
TEST(output_modes, unwritable_list_files_are_reported_once_each)
{
    scratch_dir dir;
    dir.write("news.html", news_page);
    e2e::fs::create_directory(dir.path / "_all.lst");
    e2e::fs::create_directory(dir.path / "1.lst");
    const auto all = run_vestrel({"-m", "1", menu_selector, "news.html", "news.html"}, dir.path);
    EXPECT_EQ(all.exit_code, 3);
    EXPECT_EQ(all.err, "vestrel: cannot write _all.lst: Is a directory\n");
    const auto items = run_vestrel({"-m", "4", menu_selector, "news.html", "news.html"}, dir.path);
    EXPECT_EQ(items.exit_code, 3);
    EXPECT_EQ(items.err, "vestrel: cannot write 1.lst: Is a directory\n");
    const file_map expected = {{"0.lst", item0 + "\n"}, {"2.lst", item2 + "\n"}};
    EXPECT_EQ(output_files(dir, {"news.html"}), expected);
}
