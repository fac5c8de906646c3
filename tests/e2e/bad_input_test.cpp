// Hostile and broken inputs through the whole program. Whatever an input
// holds, the run ends normally with exit code 0, within its time limit, and
// the inputs after it get exactly the results they get alone.
//
// The 100,000-level nesting case lives with the loading tests
// (loading.SlowHundredThousandNestedDivs).
#include "harness.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <sys/stat.h>

namespace {

using e2e::run_result;
using e2e::run_vestrel;
using e2e::run_vestrel_unprivileged;
using e2e::scratch_dir;

const std::string good_page = "<html><body><p class=\"ok\">fine</p></body></html>";
const std::string good_out = "<!--good.html-->\n<p class=\"ok\">fine</p>\n\n";

// A run that neither crashed, nor was killed, nor hung.
void expect_clean_exit(const run_result& run)
{
    EXPECT_FALSE(run.timed_out);
    EXPECT_LT(run.exit_code, 128) << "killed by signal " << run.exit_code - 128;
    EXPECT_EQ(run.exit_code, 0);
}

struct bad_file_case {
    const char* what;
    std::string content;
    std::vector<std::string> options;  // before the selector "p"
    // Standard output for the bad file alone, with the prefix line; the
    // good file's output must follow it unchanged.
    std::string out;
};

std::string nuls(std::size_t count)
{
    return std::string(count, '\0');
}

const std::string replacement = "\xef\xbf\xbd";  // U+FFFD

std::vector<bad_file_case> bad_file_cases()
{
    return {
        {"empty file", "", {}, "<!--bad.html-->\n"},
        {"only NUL bytes", nuls(4096), {}, "<!--bad.html-->\n"},
        {"NUL in the middle hides the rest", "<p>seen</p>" + nuls(1) + "<p>unseen</p>", {},
         "<!--bad.html-->\n<p>seen</p>\n\n"},
        {"NUL right at the start", nuls(1) + "<p>unseen</p>", {}, "<!--bad.html-->\n"},
        // In a page that declares UTF-8, bytes that are no UTF-8 become
        // U+FFFD, one per broken sequence.
        {"invalid UTF-8",
         "<meta charset=utf-8><p>a\xff\xfe b \xc3( c \xf8\x88\x80\x80\x80 d \x80</p>", {},
         "<!--bad.html-->\n<p>a" + replacement + replacement + " b " + replacement + "( c "
             + replacement + " d " + replacement + "</p>\n\n"},
        // A UTF-16 text holds a NUL byte next to every ASCII character. One
        // that begins with a byte-order mark is read whole, whatever "-i"
        // says; without a mark, only when "-i" names the encoding.
        {"UTF-16LE with BOM", "\xff\xfe<" + nuls(1) + "p" + nuls(1) + ">" + nuls(1) + "x" + nuls(1),
         {}, "<!--bad.html-->\n<p>x</p>\n\n"},
        {"UTF-16LE without BOM", "<" + nuls(1) + "p" + nuls(1) + ">" + nuls(1) + "x" + nuls(1),
         {}, "<!--bad.html-->\n"},
        {"a byte-order mark, then NUL bytes alone", "\xfe\xff" + nuls(5), {}, "<!--bad.html-->\n"},
        {"UTF-16LE with BOM and -i utf16",
         "\xff\xfe<" + nuls(1) + "p" + nuls(1) + ">" + nuls(1) + "x" + nuls(1), {"-i", "utf16"},
         "<!--bad.html-->\n<p>x</p>\n\n"},
        {"UTF-16BE with BOM and -i UTF16",
         "\xfe\xff" + nuls(1) + "<" + nuls(1) + "p" + nuls(1) + ">", {"-i", "UTF16"},
         "<!--bad.html-->\n<p/>\n\n"},
        {"UTF-16 text under -i utf16le", "<" + nuls(1) + "p" + nuls(1), {"-i", "utf16le"},
         "<!--bad.html-->\n<p/>\n\n"},
        {"UTF-16 text of odd length under -i utf16be", nuls(1) + "<" + nuls(1) + "p" + nuls(1),
         {"-i", "utf16be"}, "<!--bad.html-->\n<p/>\n\n"},
        // An encoding name Tidy does not know leaves UTF-8 in place (Tidy
        // itself says so on standard error, once per input).
        {"unknown encoding name", "<p>\xc3\xa9</p>", {"-i", "no-such-encoding"},
         "<!--bad.html-->\n<p>\xc3\xa9</p>\n\n"},
        {"Windows-1251 of bytes 0x80 to 0xff only", [] {
             std::string bytes = "<p>";
             for (int c = 0x80; c <= 0xff; ++c)
                 bytes += static_cast<char>(c);
             return bytes + "</p>";
         }(), {"-i", "win1251"}, ""},
        {"only a byte-order mark", "\xef\xbb\xbf", {}, "<!--bad.html-->\n"},
        {"a lone open angle bracket", "<", {}, "<!--bad.html-->\n"},
        {"unterminated comment of 1 MiB", "<p>x</p><!--" + std::string(1 << 20, 'c'), {}, ""},
        {"unterminated attribute value of 1 MiB",
         "<p title=\"" + std::string(1 << 20, 'v') + "<p>y</p>", {}, ""},
        {"unterminated CDATA section", "<p>x</p><![CDATA[ <p>", {}, ""},
        {"100,000 unclosed p elements", [] {
             std::string page;
             for (int i = 0; i < 100000; ++i)
                 page += "<p>";
             return page;
         }(), {}, ""},
        {"a million stray end tags", [] {
             std::string page = "<p>x</p>";
             for (int i = 0; i < 1000000; ++i)
                 page += "</b>";
             return page;
         }(), {}, "<!--bad.html-->\n<p>x</p>\n\n"},
    };
}

// For a bad input, then a good one: the run ends cleanly, the good file gets
// what it gets alone, and where the bad file's results are known they are
// exact. An empty expected text means only "whatever it is, it is kept apart".
TEST(bad_input, broken_files_do_not_disturb_the_next_input)
{
    for (const auto& c : bad_file_cases()) {
        SCOPED_TRACE(c.what);
        scratch_dir dir;
        dir.write("bad.html", c.content);
        dir.write("good.html", good_page);
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"-p", "p"});

        std::vector<std::string> good_args = args;
        good_args.push_back("good.html");
        const auto alone = run_vestrel(good_args, dir.path);
        expect_clean_exit(alone);

        args.insert(args.end(), {"bad.html", "good.html"});
        const auto run = run_vestrel(args, dir.path, std::nullopt, std::chrono::seconds(120));
        expect_clean_exit(run);
        ASSERT_GE(run.out.size(), alone.out.size());
        EXPECT_EQ(run.out.substr(run.out.size() - alone.out.size()), alone.out);
        const std::string bad_part = run.out.substr(0, run.out.size() - alone.out.size());
        if (!c.out.empty()) {
            EXPECT_EQ(bad_part, c.out);
        } else {
            EXPECT_EQ(bad_part.rfind("<!--bad.html-->\n", 0), 0u) << bad_part;
        }
        if (c.options.empty()) {
            EXPECT_EQ(run.err, "");
        }
    }
}

TEST(bad_input, the_good_page_gives_its_result)
{
    scratch_dir dir;
    dir.write("good.html", good_page);
    const auto run = run_vestrel({"-p", "p", "good.html"}, dir.path);
    expect_clean_exit(run);
    EXPECT_EQ(run.out, good_out);
}

// Names that cannot be read are skipped silently, and the run goes on. Run
// as an unprivileged user, since root reads files without read permission.
TEST(bad_input, directories_and_unreadable_files_are_skipped)
{
    struct skip_case {
        const char* what;
        void (*prepare)(const scratch_dir&);
    };
    const skip_case cases[] = {
        {"a directory",
         [](const scratch_dir& dir) { std::filesystem::create_directory(dir.path / "bad.html"); }},
        {"a file without read permission",
         [](const scratch_dir& dir) {
             dir.write("bad.html", "<p>secret</p>");
             chmod((dir.path / "bad.html").c_str(), 0);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        scratch_dir dir;
        if (const auto reason = e2e::unprivileged_run_unavailable(dir))
            GTEST_SKIP() << *reason;
        c.prepare(dir);
        dir.write("good.html", good_page);
        const auto run = run_vestrel_unprivileged({"-p", "p", "bad.html", "good.html"}, dir);
        expect_clean_exit(run);
        EXPECT_EQ(run.out, good_out);
        EXPECT_EQ(run.err, "");

        const auto verbose =
            run_vestrel_unprivileged({"-d", "-p", "p", "bad.html", "good.html"}, dir);
        expect_clean_exit(verbose);
        EXPECT_EQ(verbose.out, good_out);
        EXPECT_NE(verbose.err.find("**** Loading: bad.html\n**** Loading: good.html\n"),
                  std::string::npos);
    }
}

TEST(bad_input, unreadable_file_as_a_user)
{
    scratch_dir dir;
    if (const auto reason = e2e::unprivileged_run_unavailable(dir))
        GTEST_SKIP() << *reason;
    dir.write("bad.html", "<p>secret</p>");
    chmod((dir.path / "bad.html").c_str(), 0);
    dir.write("good.html", good_page);
    const auto run = run_vestrel_unprivileged({"-m", "2", "p", "bad.html", "good.html"}, dir);
    expect_clean_exit(run);
    EXPECT_FALSE(dir.exists("bad.html.lst"));
    EXPECT_EQ(dir.read("good.html.lst"), "<p class=\"ok\">fine</p>\n\n");
}

// A list file that cannot be created loses only its own results, and says
// so once; the run ends with 3. A directory in the way stops root as well as
// anyone else.
TEST(bad_input, list_files_blocked_by_a_directory)
{
    struct blocked_case {
        const char* what;
        std::vector<std::string> args;
        const char* blocked;
        std::map<std::string, std::string> files;  // what the run must leave
    };
    const std::string two_items = "<html><body><p>1</p><p>2</p></body></html>";
    const blocked_case cases[] = {
        {"mode 1, _all.lst", {"-m", "1", "p", "bad.html", "good.html"}, "_all.lst",
         {{"bad.html", two_items}, {"good.html", good_page}}},
        {"mode 2, the bad input's list", {"-m", "2", "p", "bad.html", "good.html"},
         "bad.html.lst",
         {{"bad.html", two_items}, {"good.html", good_page},
          {"good.html.lst", "<p class=\"ok\">fine</p>\n\n"}}},
        {"mode 3, the first item's file", {"-m", "3", "p", "bad.html", "good.html"},
         "bad.html.0.lst",
         {{"bad.html", two_items}, {"good.html", good_page},
          {"bad.html.1.lst", "<p>2</p>\n\n"},
          {"good.html.0.lst", "<p class=\"ok\">fine</p>\n\n"}}},
        {"mode 4, 0.lst", {"-m", "4", "p", "bad.html"}, "0.lst",
         {{"bad.html", two_items}, {"good.html", good_page}, {"1.lst", "<p>2</p>\n\n"}}},
        {"mode 5, _index.lst", {"-m", "5", "p", "bad.html", "good.html"}, "_index.lst",
         {{"bad.html", two_items}, {"good.html", good_page}}},
        {"mode 6, _index.lst", {"-m", "6", "p", "bad.html", "good.html"}, "_index.lst",
         {{"bad.html", two_items}, {"good.html", good_page}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        scratch_dir dir;
        dir.write("bad.html", two_items);
        dir.write("good.html", good_page);
        std::filesystem::create_directory(dir.path / c.blocked);
        const auto run = run_vestrel(c.args, dir.path);
        EXPECT_FALSE(run.timed_out);
        EXPECT_EQ(run.exit_code, 3);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, std::string("vestrel: cannot write ") + c.blocked + ": Is a directory\n");
        EXPECT_TRUE(std::filesystem::is_directory(dir.path / c.blocked));
        EXPECT_EQ(dir.files(), c.files);
    }
}

// Run as an unprivileged user, since root writes into read-only directories.
TEST(bad_input, list_files_in_a_read_only_directory)
{
    scratch_dir dir;
    if (const auto reason = e2e::unprivileged_run_unavailable(dir))
        GTEST_SKIP() << *reason;
    dir.write("ro/bad.html", "<p>1</p>");
    dir.write("good.html", good_page);
    chmod((dir.path / "ro").c_str(), 0555);
    const auto run = run_vestrel_unprivileged({"-m", "2", "p", "ro/bad.html", "good.html"}, dir);
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 3);
    EXPECT_EQ(run.err, "vestrel: cannot write ro/bad.html.lst: Permission denied\n");
    EXPECT_FALSE(dir.exists("ro/bad.html.lst"));
    EXPECT_EQ(dir.read("good.html.lst"), "<p class=\"ok\">fine</p>\n\n");
}

// The longest selector one command-line argument can carry on Linux (128 KiB
// including its terminating NUL): a group of thousands of chains, the last of
// which matches. Longer selectors are tested in process through the query.
TEST(bad_input, longest_selector_the_command_line_carries)
{
    constexpr std::size_t argument_limit = 128 * 1024 - 1;
    const std::string chain = "div.x > span[title~=\"a\"] + em:nth-child(3), ";
    std::string selector;
    while (selector.size() + chain.size() + 1 <= argument_limit)
        selector += chain;
    selector += std::string(argument_limit - selector.size() - 1, ' ') + "p";
    ASSERT_EQ(selector.size(), argument_limit);

    scratch_dir dir;
    dir.write("good.html", good_page);
    const auto run = run_vestrel({"-p", selector, "good.html"}, dir.path);
    expect_clean_exit(run);
    EXPECT_EQ(run.out, good_out);
}

TEST(bad_input, selector_of_unbalanced_brackets_and_quotes)
{
    const std::vector<std::string> selectors = {
        std::string(100000, '['), std::string(100000, '"'), std::string(100000, '('),
        "p[title='" + std::string(100000, 'x'), std::string(100000, ':'),
        std::string(100000, '>'), std::string(100000, ','),
    };
    for (const auto& selector : selectors) {
        SCOPED_TRACE(selector.substr(0, 12));
        scratch_dir dir;
        dir.write("good.html", good_page);
        const auto run = run_vestrel({selector, "good.html"}, dir.path);
        expect_clean_exit(run);
    }
}

// Random bytes, but no NUL: with NULs a random file would end after a few
// hundred bytes, as the NUL cases above show. Tidy keeps some of the noise as
// server-side script markers ("<%") and control characters, which the XML
// parser then refuses, so such a page may give no document: what counts is
// that the run survives and says so.
// The run over a random page and the good one: it ends normally, the random
// page gives its prefix line and results, or one line saying it gave no
// document (and the exit status says so), and the good page what it gives
// alone.
void expect_random_page_survived(const run_result& run)
{
    EXPECT_FALSE(run.timed_out);
    if (run.exit_code == 3) {
        EXPECT_EQ(run.err.rfind("vestrel: bad.html: no document: ", 0), 0u) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
        EXPECT_EQ(run.out, good_out);
    } else {
        expect_clean_exit(run);
        EXPECT_EQ(run.out.rfind("<!--bad.html-->\n", 0), 0u);
    }
    ASSERT_GE(run.out.size(), good_out.size());
    EXPECT_EQ(run.out.substr(run.out.size() - good_out.size()), good_out);
}

std::string random_page(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(1, 255);
    std::string page(size, '\0');
    for (char& c : page)
        c = static_cast<char>(byte(generator));
    return page;
}

TEST(bad_input, SlowFiftyMegabytesOfRandomBytes)
{
    scratch_dir dir;
    dir.write("bad.html", random_page(50u << 20, 20240601));
    dir.write("good.html", good_page);
    const auto run = run_vestrel({"-p", "p", "bad.html", "good.html"}, dir.path, std::nullopt,
                                 std::chrono::seconds(900));
    expect_random_page_survived(run);
}

TEST(bad_input, a_megabyte_of_random_bytes)
{
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        scratch_dir dir;
        dir.write("bad.html", random_page(1u << 20, seed));
        dir.write("good.html", good_page);
        expect_random_page_survived(run_vestrel({"-p", "p", "bad.html", "good.html"}, dir.path));
    }
}

}
