// The command line and the driver, seen from outside: exit codes, the usage
// page, the version, file-argument resolution and how inputs are read.
#include "harness.hpp"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using e2e::run_vestrel;
using e2e::scratch_dir;
using strings = std::vector<std::string>;

std::string replace(std::string text, const std::string& from, const std::string& to)
{
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string usage_page()
{
    std::ifstream in(e2e::test_data("usage.txt"), std::ios::binary);
    std::ostringstream page;
    page << in.rdbuf();
    return replace(replace(page.str(), "@EMAIL@", VESTREL_BUG_EMAIL), "@URL@", VESTREL_BUG_URL);
}

const std::string missing_selector =
    "\n\n **** The CSS_SELECTOR was not found in a command line! **** \n\n";

// The lines of a text, as a set, for output whose order follows the
// directory listing.
std::multiset<std::string> line_set(const std::string& text)
{
    std::multiset<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.insert(line);
    return lines;
}

struct informational_case {
    strings args;
    int exit_code;
    std::string out;
    std::string err;
};

TEST(driver, informational_runs)
{
    const std::string usage = usage_page();
    const informational_case cases[] = {
        {{}, 1, usage, ""},
        {{"-h"}, 1, usage, ""},
        {{"-h", "-v"}, 1, usage, ""},
        {{"-v", "-h"}, 1, usage, ""},
        {{"p", "-h", "nothere.html"}, 1, usage, ""},
        {{"-v"}, 0, "", "1.9\n"},
        {{"-d"}, 2, usage, missing_selector},
        {{"-d", "-p", "-m", "1"}, 2, usage, missing_selector},
        {{"-x"}, 2, usage, "Warning! Unknown option: [-x]\n" + missing_selector},
        {{"   "}, 2, usage, missing_selector},
        {{"-m"}, 2, usage, missing_selector},
        {{"-x", "-v"}, 0, "", "Warning! Unknown option: [-x]\n1.9\n"},
    };
    for (const auto& c : cases) {
        scratch_dir dir;
        const auto run = run_vestrel(c.args, dir.path);
        const std::string context = e2e::bracketed(c.args);
        EXPECT_EQ(run.exit_code, c.exit_code) << context;
        EXPECT_EQ(run.out, c.out) << context;
        EXPECT_EQ(run.err, c.err) << context;
        EXPECT_TRUE(dir.files().empty()) << context;
    }
}

TEST(driver, version_reads_no_input_and_writes_no_file)
{
    scratch_dir dir;
    dir.write("a.html", "<p>A</p>");
    const auto run = run_vestrel({"-d", "-m", "1", "-v", "p", "a.html"}, dir.path, "<p>B</p>");
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "1.9\n");
    EXPECT_FALSE(dir.exists("_all.lst"));
}

TEST(driver, usage_page_shows_the_mode_option_on_fourteen_lines)
{
    const std::string usage = usage_page();
    const auto start = usage.find("\t-m param\t\n");
    ASSERT_NE(start, std::string::npos);
    std::istringstream entry(usage.substr(start));
    strings lines;
    for (std::string line; std::getline(entry, line) && line != "\t-p \t";)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[1], "\t\tSuppress default output mode! Usually there is");
    EXPECT_EQ(lines[13], "\t\tdon't use it.");
    EXPECT_NE(usage.find("\t-p \t\n\t\tAdd the file name before each group: <!--****%s-->\n"),
              std::string::npos);
}

TEST(driver, a_selector_alone_reads_standard_input_as_stdin)
{
    scratch_dir dir;
    const auto run = run_vestrel({"-m", "2", "p"}, dir.path, "<p>A</p>");
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(dir.read("stdin.lst"), "<p>A</p>\n\n");
}

TEST(driver, an_unresolved_argument_is_reported_and_standard_input_is_not_read)
{
    scratch_dir dir;
    const auto run = run_vestrel({"p", "nothere.html"}, dir.path, "<p>A</p>");
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "File nothere.html was not found!\n");
}

TEST(driver, files_are_processed_in_command_line_order_and_as_often_as_named)
{
    scratch_dir dir;
    dir.write("a.html", "<p>A</p>");
    dir.write("b.html", "<p>B</p>");
    const auto run = run_vestrel({"p", "b.html", "a.html", "b.html"}, dir.path);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out, "<p>B</p>\n\n<p>A</p>\n\n<p>B</p>\n\n");
    EXPECT_EQ(run.err, "");
}

TEST(driver, verbose_messages_interleave_with_results_in_program_order)
{
    scratch_dir dir;
    dir.write("a.html", "<p>A</p>");
    dir.write("b.html", "<p>B</p>");
    const auto run = run_vestrel({"-d", "p", "a.html", "missing", "b.html"}, dir.path,
                                 std::nullopt, std::chrono::seconds(60), true);
    EXPECT_EQ(run.exit_code, 0);
    const auto loading_a = run.out.find("**** Loading: a.html\n");
    const auto result_a = run.out.find("<p>A</p>\n\n");
    const auto not_found = run.out.find("File missing was not found!\n");
    const auto loading_b = run.out.find("**** Loading: b.html\n");
    const auto result_b = run.out.find("<p>B</p>\n\n");
    EXPECT_EQ(run.out.rfind("**** The group of selector: p\n", 0), 0u);
    ASSERT_NE(result_b, std::string::npos);
    EXPECT_LT(loading_a, result_a);
    EXPECT_LT(result_a, not_found);
    EXPECT_LT(not_found, loading_b);
    EXPECT_LT(loading_b, result_b);
}

struct pattern_case {
    std::string pattern;
    strings matched;  // in any order: the listing order is the platform's
};

TEST(driver, wildcard_patterns_match_names_in_the_current_directory)
{
    const strings names = {"a.html", "B.HTML", "abc", "ac", "aXbYc", "a.html.html",
                           "x.html.bak", "notes"};
    const pattern_case cases[] = {
        {"*.html", {"a.html", "a.html.html"}},
        {"a?c", {"abc"}},
        {"*.*", {".", "..", "a.html", "B.HTML", "a.html.html", "x.html.bak"}},
        {"a*b*c", {"abc", "aXbYc"}},
        {"*", {".", "..", "a.html", "B.HTML", "abc", "ac", "aXbYc", "a.html.html",
               "x.html.bak", "notes"}},
    };
    for (const auto& c : cases) {
        scratch_dir dir;
        for (const auto& name : names)
            dir.write(name, "<p>" + name + "</p>");
        const auto run = run_vestrel({"-d", "-m", "9", "p", c.pattern}, dir.path);
        std::multiset<std::string> expected;
        for (const auto& name : c.matched) {
            expected.insert(c.pattern + " -> " + name);
            expected.insert("**** Loading: " + name);
        }
        // Keep the driver's own lines; the rest are the processing's diagnostics.
        std::multiset<std::string> seen;
        for (const auto& line : line_set(run.err))
            if (line.find(" -> ") != std::string::npos || line.rfind("**** Loading: ", 0) == 0)
                seen.insert(line);
        EXPECT_EQ(seen, expected) << c.pattern;
        EXPECT_EQ(run.exit_code, 0);
    }
}

TEST(driver, pattern_results_come_in_listing_order_after_their_arrow_lines)
{
    scratch_dir dir;
    dir.write("one.html", "<p>1</p>");
    dir.write("two.html", "<p>2</p>");
    const auto run = run_vestrel({"-d", "-m", "9", "p", "*.html"}, dir.path);
    // Both names are resolved (two arrow lines) before either is loaded.
    const auto first_loading = run.err.find("**** Loading: ");
    ASSERT_NE(first_loading, std::string::npos);
    const std::string head = run.err.substr(0, first_loading);
    EXPECT_EQ(std::count(head.begin(), head.end(), '>'), 2);
}

TEST(driver, directories_are_skipped_silently)
{
    scratch_dir dir;
    dir.write("sub/a.html", "<p>A</p>");
    for (const strings& args : {strings{"head", "sub"}, strings{"head", "."},
                                strings{"head", ".."}, strings{"head", "*"}}) {
        const auto run = run_vestrel(args, dir.path);
        EXPECT_EQ(run.exit_code, 0) << args[1];
        EXPECT_EQ(run.out, "") << args[1];
        EXPECT_EQ(run.err, "") << args[1];
    }
    const auto verbose = run_vestrel({"-d", "head", "sub"}, dir.path);
    EXPECT_EQ(verbose.err, "**** The group of selector: head\n**** Loading: sub\n");
}

TEST(driver, a_file_in_a_subdirectory_is_named_with_its_path)
{
    scratch_dir dir;
    dir.write("sub/a.html", "<p>A</p>");
    const auto run = run_vestrel({"-p", "p", "sub/a.html", "sub/*.html"}, dir.path);
    EXPECT_EQ(run.out, "<!--sub/a.html-->\n<p>A</p>\n\n");
    EXPECT_EQ(run.err, "File sub/*.html was not found!\n");
}

TEST(driver, an_unreadable_file_is_skipped_silently)
{
    scratch_dir dir;
    if (const auto reason = e2e::unprivileged_run_unavailable(dir))
        GTEST_SKIP() << *reason;
    dir.write("secret.html", "<p>S</p>");
    dir.write("open.html", "<p>O</p>");
    chmod((dir.path / "secret.html").c_str(), 0);
    const auto run = e2e::run_vestrel_unprivileged({"p", "secret.html", "open.html"}, dir);
    EXPECT_EQ(run.out, "<p>O</p>\n\n");
    // It cannot be opened, so it is looked up as a pattern, which finds the
    // very same name; that one is then skipped without a message.
    EXPECT_EQ(run.err, "");
    const auto verbose = e2e::run_vestrel_unprivileged({"-d", "-m", "9", "p", "secret.html"}, dir);
    EXPECT_EQ(verbose.err, "**** The group of selector: p\n"
                           "secret.html -> secret.html\n"
                           "**** Loading: secret.html\n");
}

struct mode_value_case {
    std::string value;
    std::string out;         // standard output
    bool collective_list;    // "_all.lst" written
};

TEST(driver, mode_values_are_read_as_integers)
{
    const mode_value_case cases[] = {
        {"x", "<p>A</p>\n\n", false},
        {"0", "<p>A</p>\n\n", false},
        {"1x", "", true},
        {"+1", "", true},
        {" 1", "", true},
        {"4294967297", "", false},
        {"-4294967295", "", false},
        {"7", "", false},
        {"-1", "", false},
    };
    for (const auto& c : cases) {
        scratch_dir dir;
        dir.write("a.html", "<p>A</p>");
        const auto run = run_vestrel({"-m", c.value, "p", "a.html"}, dir.path);
        EXPECT_EQ(run.exit_code, 0) << c.value;
        EXPECT_EQ(run.out, c.out) << c.value;
        EXPECT_EQ(dir.exists("_all.lst"), c.collective_list) << c.value;
        if (c.collective_list) {
            EXPECT_EQ(dir.read("_all.lst"), "<p>A</p>\n\n") << c.value;
        }
    }
}

TEST(driver, a_value_option_swallows_the_next_argument)
{
    scratch_dir dir;
    dir.write("a.html", "<div>D</div><a class=\"html\">file</a>");
    // "div" is the mode (0), "a.html" the selector (an a of class html), and
    // standard input is read, not the file.
    const auto run = run_vestrel({"-m", "div", "a.html"}, dir.path,
                                 "<div>S</div><a class=\"html\">in</a>");
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "<a class=\"html\">in</a>\n\n");
}

TEST(driver, collective_list_files_are_emptied_before_any_input)
{
    for (const auto& [mode, list] : {std::pair{"1", "_all.lst"}, std::pair{"5", "_index.lst"},
                                     std::pair{"6", "_index.lst"}}) {
        scratch_dir dir;
        dir.write(list, "stale results\n");
        const auto run = run_vestrel({"-m", mode, "p", "nothere.html"}, dir.path);
        EXPECT_EQ(run.exit_code, 0) << mode;
        EXPECT_TRUE(dir.exists(list)) << mode;
        EXPECT_EQ(dir.read(list), "") << mode;
        EXPECT_EQ(run.err, "File nothere.html was not found!\n") << mode;
    }
    scratch_dir dir;
    dir.write("_all.lst", "kept\n");
    run_vestrel({"-m", "2", "p", "nothere.html"}, dir.path);
    EXPECT_EQ(dir.read("_all.lst"), "kept\n");
}

TEST(driver, inputs_are_read_as_plain_bytes)
{
    scratch_dir dir;
    // A Ctrl-Z byte does not end the input and carriage returns reach Tidy.
    dir.write("z.html", std::string("<p>A</p>\x1a<p>B</p>\r\n<p>C</p>"));
    const auto from_file = run_vestrel({"p", "z.html"}, dir.path);
    EXPECT_NE(from_file.out.find("<p>B</p>"), std::string::npos);
    EXPECT_NE(from_file.out.find("<p>C</p>"), std::string::npos);
    const auto from_stdin =
        run_vestrel({"p"}, dir.path, std::string("<p>A</p>\x1a<p>B</p>\r\n<p>C</p>"));
    EXPECT_EQ(from_stdin.out, from_file.out);
}

TEST(driver, a_nul_byte_ends_what_is_processed)
{
    scratch_dir dir;
    const auto run = run_vestrel({"p"}, dir.path, std::string("<p>A</p>\0<p>B</p>", 17));
    EXPECT_EQ(run.out, "<p>A</p>\n\n");
}

}

namespace {

struct option_case {
    strings args;      // "a.html" holds <p>A</p>
    std::string out;
    bool verbose;      // the selector line opens standard error
    std::string list;  // the list file the run must leave, if any
    std::string warning;
};

TEST(driver, option_parsing_seen_from_outside)
{
    const std::string result = "<p>A</p>\n\n";
    const option_case cases[] = {
        {{"-m", "   ", "1", "p", "a.html"}, "", false, "_all.lst", ""},
        {{" -d ", "p", "a.html"}, result, true, "", ""},
        {{"-m", "-d", "p", "a.html"}, result, false, "", ""},
        {{"-m", "1", "-m", "2", "p", "a.html"}, "", false, "a.html.lst", ""},
        {{"p", "a.html", "-m", "1", "-m"}, "", false, "_all.lst", ""},
        {{"p", "-d", "a.html"}, result, true, "", ""},
        {{"-D", "p", "a.html"}, result, false, "", "Warning! Unknown option: [-D]\n"},
        {{"p", "-", "a.html"}, result, false, "", "Warning! Unknown option: [-]\n"},
        {{"-m1", "p", "a.html"}, result, false, "", "Warning! Unknown option: [-m1]\n"},
        {{"-m=1", "p", "a.html"}, result, false, "", "Warning! Unknown option: [-m=1]\n"},
    };
    for (const auto& c : cases) {
        scratch_dir dir;
        dir.write("a.html", "<p>A</p>");
        const auto run = run_vestrel(c.args, dir.path);
        const std::string context = e2e::bracketed(c.args);
        EXPECT_EQ(run.exit_code, 0) << context;
        EXPECT_EQ(run.out, c.out) << context;
        EXPECT_EQ(run.err.rfind(c.warning, 0), 0u) << context;
        EXPECT_EQ(run.err.find("**** The group of selector: p\n") == c.warning.size(), c.verbose)
            << context;
        const auto files = dir.files();
        EXPECT_EQ(files.size(), c.list.empty() ? 1u : 2u) << context;
        if (!c.list.empty()) {
            EXPECT_EQ(dir.read(c.list), result) << context;
        }
    }
}

}
