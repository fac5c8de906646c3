// Runs with VESTREL_CACHE against runs without it: whether the cache is
// empty, filled by an earlier run, damaged or refused, every byte a run
// writes is what it writes without the cache, for any job count.
#include "harness.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using e2e::run_options;
using e2e::run_result;
using e2e::scratch_dir;
using strings = std::vector<std::string>;

std::string file_text(const e2e::fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The inputs: a page that parses at once, one that needs the last attempt,
// one that gives no document, an empty one, a Windows-1251 one and one that
// declares ISO-8859-1.
void write_inputs(const scratch_dir& dir)
{
    dir.write("news.html", file_text(e2e::fs::path(VESTREL_SOURCE_DIR) / "examples/news.html"));
    dir.write("cdata.html", file_text(e2e::test_data("script-cdata-never-closed.html")));
    std::string deep = "<body>";
    for (int i = 0; i < 120; ++i)
        deep += "<div>";
    dir.write("deep.html", deep + "<p>deep</p>");
    dir.write("empty.html", "");
    dir.write("cyrillic.html", "<p class=\"\xf2\">\xcf\xf0\xe8\xe2\xe5\xf2</p>");
    dir.write("latin.html", "<meta charset=iso-8859-1><p>Gr\xfc\xdf" "e \x96 \x80</p>");
}

// What one run did: its streams apart and together, its status and the
// files it left outside the cache.
struct observed {
    int exit_code = -1;
    std::string out, err, merged;
    std::map<std::string, std::string> files;
    bool operator==(const observed&) const = default;
};

std::map<std::string, std::string> files_outside_cache(const scratch_dir& dir)
{
    std::map<std::string, std::string> files = dir.files();
    std::erase_if(files, [](const auto& file) { return file.first.rfind("cache/", 0) == 0; });
    return files;
}

std::vector<std::pair<std::string, std::string>> environment(bool cached, unsigned jobs)
{
    std::vector<std::pair<std::string, std::string>> variables = {
        {"VESTREL_JOBS", std::to_string(jobs)}};
    if (cached)
        variables.emplace_back("VESTREL_CACHE", "cache");
    return variables;
}

// Runs args over fresh inputs in dir (the cache, if any, stays as it is).
observed observe(const scratch_dir& dir, const strings& args, bool cached, unsigned jobs)
{
    observed seen;
    for (const bool merged : {false, true}) {
        for (const auto& [name, content] : dir.files())
            if (name.rfind("cache/", 0) != 0)
                e2e::fs::remove(dir.path / name);
        write_inputs(dir);
        run_options options;
        options.environment = environment(cached, jobs);
        options.merge_stderr = merged;
        const run_result run = e2e::run_vestrel(args, dir.path, options);
        EXPECT_FALSE(run.timed_out);
        if (merged) {
            seen.merged = run.out;
            continue;
        }
        seen.exit_code = run.exit_code;
        seen.out = run.out;
        seen.err = run.err;
        seen.files = files_outside_cache(dir);
    }
    return seen;
}

// The entries of the cache, each with its inode: an entry written again is
// a new file.
std::map<std::string, ino_t> entries_in(const scratch_dir& dir)
{
    std::map<std::string, ino_t> entries;
    for (const auto& entry : e2e::fs::directory_iterator(dir.path / "cache" / "entries")) {
        struct stat status {};
        stat(entry.path().c_str(), &status);
        entries[entry.path().filename().string()] = status.st_ino;
    }
    return entries;
}

const std::vector<strings> command_lines = {
    {"-p", "a[href], h2", "*.html"},
    {"-d", "-p", "p, script", "news.html", "cdata.html", "deep.html", "empty.html"},
    {"-m", "2", "-p", "li a", "news.html", "cdata.html"},
    {"-m", "5", "-d", "ul.menu a", "news.html", "deep.html", "news.html"},
    {"-i", "win1251", "-d", "p.т", "cyrillic.html", "news.html"},
    {"-d", "-p", "p", "cyrillic.html", "latin.html", "news.html"},
};

}

// Without the cache, with an empty one and with one an earlier run filled.
TEST(cache, runs_give_the_same_bytes_with_and_without_the_cache)
{
    for (const strings& args : command_lines) {
        SCOPED_TRACE(e2e::bracketed(args));
        scratch_dir plain;
        const observed without = observe(plain, args, false, 1);
        for (const unsigned jobs : {1u, 2u}) {
            SCOPED_TRACE(testing::Message() << jobs << " jobs");
            scratch_dir dir;
            EXPECT_EQ(observe(dir, args, true, jobs), without) << "an empty cache";
            const auto filled = entries_in(dir);
            ASSERT_FALSE(filled.empty());
            EXPECT_EQ(observe(dir, args, true, jobs), without) << "a filled cache";
            EXPECT_EQ(observe(dir, args, true, 3 - jobs), without) << "filled with other jobs";
            EXPECT_EQ(entries_in(dir), filled) << "the filled cache was read, not written again";
        }
    }
}

// Entries that are damaged are never used: the run gives what it gives
// without the cache, and writes the entries again.
TEST(cache, damaged_entries_are_ignored_and_written_again)
{
    const strings args = {"-d", "-p", "a, p, script", "news.html", "cdata.html"};
    scratch_dir plain;
    const observed without = observe(plain, args, false, 1);
    struct damage {
        const char* what;
        void (*apply)(const e2e::fs::path& entry);
    };
    const damage damages[] = {
        {"cut short", [](const e2e::fs::path& entry) {
             e2e::fs::resize_file(entry, e2e::fs::file_size(entry) / 2);
         }},
        {"one byte flipped", [](const e2e::fs::path& entry) {
             std::fstream file(entry, std::ios::in | std::ios::out | std::ios::binary);
             file.seekg(static_cast<std::streamoff>(e2e::fs::file_size(entry) - 7));
             const char c = static_cast<char>(file.get());
             file.seekp(static_cast<std::streamoff>(e2e::fs::file_size(entry) - 7));
             file.put(static_cast<char>(c ^ 0x20));
         }},
        {"emptied", [](const e2e::fs::path& entry) { e2e::fs::resize_file(entry, 0); }},
    };
    for (const damage& d : damages) {
        SCOPED_TRACE(d.what);
        scratch_dir dir;
        observe(dir, args, true, 1);
        std::map<std::string, std::string> undamaged;
        for (const auto& entry : e2e::fs::directory_iterator(dir.path / "cache" / "entries")) {
            undamaged[entry.path().string()] = file_text(entry.path());
            d.apply(entry.path());
        }
        EXPECT_EQ(observe(dir, args, true, 2), without);
        for (const auto& [path, content] : undamaged)
            EXPECT_EQ(file_text(path), content) << "written again: " << path;
    }
}

// A directory where an entry belongs cannot be written again: said once,
// and the results are whole.
TEST(cache, an_entry_that_is_a_directory_is_passed_over)
{
    const strings args = {"-p", "a", "news.html", "cdata.html"};
    scratch_dir plain;
    const observed without = observe(plain, args, false, 1);
    scratch_dir dir;
    observe(dir, args, true, 1);
    for (const auto& entry : e2e::fs::directory_iterator(dir.path / "cache" / "entries")) {
        e2e::fs::remove(entry.path());
        e2e::fs::create_directory(entry.path());
    }
    const observed seen = observe(dir, args, true, 2);
    EXPECT_EQ(seen.out, without.out);
    EXPECT_EQ(seen.files, without.files);
    EXPECT_EQ(seen.exit_code, without.exit_code);
    EXPECT_EQ(seen.err, "vestrel: cache cache: Is a directory\n");
}

// A cache that may not be used is said once at the start; the run goes on
// without it, its results whole and its exit status its own. (Each reason
// for refusing one is pinned by the cache's own tests.)
TEST(cache, a_cache_that_may_not_be_used_is_refused)
{
    scratch_dir dir;
    write_inputs(dir);
    e2e::fs::create_directory(dir.path / "cache");
    chmod((dir.path / "cache").c_str(), 0770);
    run_options options;
    options.environment = environment(true, 2);
    const run_result run = e2e::run_vestrel({"-m", "2", "h2", "news.html", "deep.html"}, dir.path,
                                            options);
    EXPECT_EQ(run.err, "vestrel: cache cache: others may write to it\n"
                       "vestrel: deep.html: no document: nested deeper than the XML parser "
                       "allows\n");
    EXPECT_EQ(run.exit_code, 3);
    EXPECT_EQ(dir.read("news.html.lst").substr(0, 4), "<h2>");
}

// A cache its owner made read-only is still read; the first page it does
// not hold says once that it cannot be written, in that page's place in
// the run, with one job as with two, and results and status are those of
// a run without the cache. (That lookups take its entries, and that a
// read-only mount is used alike, is pinned by the cache's own tests.)
TEST(cache, a_read_only_cache_is_read_and_its_first_failed_store_said_once)
{
    const strings filling = {"-m", "2", "h2", "news.html", "cdata.html"};
    const strings args = {"-m", "2", "h2", "news.html", "deep.html", "cdata.html", "empty.html"};
    scratch_dir plain;
    write_inputs(plain);
    run_options without;
    without.environment = environment(false, 1);
    const run_result expected = e2e::run_vestrel(args, plain.path, without);
    for (const unsigned jobs : {1u, 2u}) {
        SCOPED_TRACE(testing::Message() << jobs << " jobs");
        scratch_dir dir;
        if (const auto why = e2e::unprivileged_run_unavailable(dir))
            GTEST_SKIP() << *why;
        write_inputs(dir);
        run_options options;
        options.environment = environment(true, jobs);
        e2e::run_vestrel_unprivileged(filling, dir, options);
        ASSERT_EQ(entries_in(dir).size(), 2u);
        chmod((dir.path / "cache").c_str(), 0500);
        const run_result run = e2e::run_vestrel_unprivileged(args, dir, options);
        EXPECT_EQ(run.err, "vestrel: cache cache: Permission denied\n" + expected.err);
        EXPECT_EQ(run.out, expected.out);
        EXPECT_EQ(run.exit_code, expected.exit_code);
        EXPECT_EQ(files_outside_cache(dir), plain.files());
        EXPECT_EQ(entries_in(dir).size(), 2u);
    }
}

// A cache in the directory of the pages: no pattern of a run there meets
// its files, so every run over "*" reads the same pages.
TEST(cache, a_cache_among_the_pages_is_never_read_as_pages)
{
    scratch_dir plain;
    write_inputs(plain);
    const strings args = {"-p", "h2", "*"};
    run_options without;
    without.environment = environment(false, 2);
    const run_result expected = e2e::run_vestrel(args, plain.path, without);
    ASSERT_EQ(expected.exit_code, 3);
    scratch_dir dir;
    write_inputs(dir);
    run_options options;
    options.environment = {{"VESTREL_JOBS", "2"}, {"VESTREL_CACHE", "."}};
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE(run);
        const run_result seen = e2e::run_vestrel(args, dir.path, options);
        EXPECT_EQ(seen.out, expected.out);
        EXPECT_EQ(seen.err, expected.err);
        EXPECT_EQ(seen.exit_code, expected.exit_code);
    }
}
