// Runs with several jobs against the one-input-at-a-time run: every byte of
// standard output and standard error, their interleaving on one pipe, the
// exit status, and every file left behind with its permissions must be the
// same.
#include "harness.hpp"
#include "processes.hpp"
#include "shell.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace {

using e2e::run_options;
using e2e::run_vestrel;
using e2e::scratch_dir;
using strings = std::vector<std::string>;
using inputs = std::map<std::string, std::string>;

std::string file_text(const e2e::fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The permission bits of every regular file below the directory.
std::map<std::string, unsigned> modes_of(const scratch_dir& dir)
{
    std::map<std::string, unsigned> found;
    for (const auto& entry : dir.files()) {
        struct stat info {};
        stat((dir.path / entry.first).c_str(), &info);
        found[entry.first] = info.st_mode & 07777;
    }
    return found;
}

// What one run did, seen twice: once with the streams apart, once with both
// on one pipe, each time over a fresh copy of the inputs.
struct observed {
    int exit_code = -1;
    std::string out;
    std::string err;
    std::string merged;
    std::map<std::string, std::string> files;
    std::map<std::string, unsigned> modes;

    bool operator==(const observed&) const = default;
};

observed observe(const inputs& files, const strings& args, unsigned jobs)
{
    observed seen;
    run_options options;
    options.environment = {{"VESTREL_JOBS", std::to_string(jobs)}};
    {
        scratch_dir dir;
        for (const auto& [name, content] : files)
            dir.write(name, content);
        e2e::fs::create_directories(dir.path / "sub");
        const auto run = run_vestrel(args, dir.path, options);
        EXPECT_FALSE(run.timed_out);
        seen.exit_code = run.exit_code;
        seen.out = run.out;
        seen.err = run.err;
        seen.files = dir.files();
        seen.modes = modes_of(dir);
    }
    {
        scratch_dir dir;
        for (const auto& [name, content] : files)
            dir.write(name, content);
        e2e::fs::create_directories(dir.path / "sub");
        options.merge_stderr = true;
        seen.merged = run_vestrel(args, dir.path, options).out;
    }
    return seen;
}

// Expects every job count to give what one job gives; returns that.
observed expect_same_for_every_job_count(const inputs& files, const strings& args)
{
    SCOPED_TRACE(e2e::bracketed(args));
    const observed serial = observe(files, args, 1);
    for (const unsigned jobs : {2u, 3u, 8u}) {
        SCOPED_TRACE(testing::Message() << jobs << " jobs");
        const observed parallel = observe(files, args, jobs);
        EXPECT_EQ(parallel.exit_code, serial.exit_code);
        EXPECT_EQ(parallel.out, serial.out);
        EXPECT_EQ(parallel.err, serial.err);
        EXPECT_EQ(parallel.merged, serial.merged);
        EXPECT_EQ(parallel.files, serial.files);
        EXPECT_EQ(parallel.modes, serial.modes);
    }
    return serial;
}

std::string example(const std::string& name)
{
    return file_text(e2e::fs::path(VESTREL_SOURCE_DIR) / "examples" / name);
}

std::string nested_divs(int depth)
{
    std::string page;
    for (int i = 0; i < depth; ++i)
        page += "<div>";
    page += "<a href=\"/deep\">deep</a>";
    for (int i = 0; i < depth; ++i)
        page += "</div>";
    return page;
}

std::string long_list(int items)
{
    std::string page = "<ul class=\"menu\">";
    for (int i = 0; i < items; ++i)
        page += "<li><a href=\"/" + std::to_string(i) + "\">" + std::to_string(i) + "</a></li>";
    return page + "</ul>";
}

// The pages of the random batches: the shipped examples, both doctypes,
// generated pages, an empty one, one past the XML parser's nesting limit, and
// a page in a subdirectory.
inputs batch_pages()
{
    return {
        {"news.html", example("news.html")},
        {"catalog.html", example("catalog.html")},
        {"h4.html", file_text(e2e::test_data("doctype-html4.html"))},
        {"h5.html", file_text(e2e::test_data("doctype-html5.html"))},
        {"list.html", long_list(300)},
        {"deep.html", nested_divs(150)},
        {"empty.html", ""},
        {"sub/a.html", "<p><a href=\"/sub\">sub</a></p>"},
    };
}

// A random command line over the batch pages: names, missing names, the same
// name twice, patterns, a directory, and names of list files.
strings random_arguments(std::mt19937& random)
{
    const strings pool = {"news.html", "catalog.html", "h4.html", "h5.html", "list.html",
                          "deep.html", "empty.html", "missing.html", "*.html", "?4.html",
                          "sub", "sub/a.html", "sub/*.html", "*.lst", "_all.lst",
                          "_index.lst", "0.lst", "news.html.lst", "*", "news.html"};
    std::uniform_int_distribution<std::size_t> length(3, 9);
    std::uniform_int_distribution<std::size_t> pick(0, pool.size() - 1);
    strings names(length(random));
    for (auto& name : names)
        name = pool[pick(random)];
    return names;
}

}

// Every mode, with and without -p and -d, over random batches.
TEST(parallel, random_batches_in_every_mode_match_the_one_job_run)
{
    const inputs pages = batch_pages();
    const strings selectors = {"a", "li", "p, h2", "ul.menu > li a", "title", "div a",
                               "caption, button", "*:empty"};
    std::mt19937 random(20261207);
    std::size_t case_number = 0;
    for (const std::string mode : {"0", "1", "2", "3", "4", "5", "6", "7", "-1"}) {
        for (const bool prefix : {false, true}) {
            for (const bool verbose : {false, true}) {
                strings args = {"-m", mode};
                if (prefix)
                    args.push_back("-p");
                if (verbose)
                    args.push_back("-d");
                args.push_back(selectors[case_number++ % selectors.size()]);
                const strings names = random_arguments(random);
                args.insert(args.end(), names.begin(), names.end());
                expect_same_for_every_job_count(pages, args);
            }
        }
    }
}

// The collective list file is never read back as an input of its own run,
// by any name: it is skipped with one line, and the run still succeeds.
TEST(parallel, the_collective_list_file_is_not_read_back)
{
    const inputs pages = {{"a.html", "<p>a</p>"}, {"b.html", "<p>b</p>"},
                          {"_index.lst", "<p>stale</p>"}};
    const observed all = expect_same_for_every_job_count(pages, {"-m", "1", "-p", "p", "*"});
    EXPECT_EQ(all.exit_code, 0);
    EXPECT_EQ(all.err, "vestrel: _all.lst: input file is also the output\n");
    const std::string all_list = all.files.at("_all.lst");
    EXPECT_EQ(all_list.find("<!--_all.lst-->"), std::string::npos) << all_list;
    EXPECT_NE(all_list.find("<!--a.html-->\n<p>a</p>\n\n"), std::string::npos) << all_list;
    EXPECT_NE(all_list.find("<!--_index.lst-->\n<p>stale</p>\n\n"), std::string::npos);

    const observed index =
        expect_same_for_every_job_count(pages, {"-m", "5", "p", "a.html", "_index.lst", "./_index.lst", "b.html"});
    EXPECT_EQ(index.exit_code, 0);
    EXPECT_EQ(index.err, "vestrel: _index.lst: input file is also the output\n"
                         "vestrel: ./_index.lst: input file is also the output\n");
    EXPECT_EQ(index.files.at("_index.lst"),
              "<LI class='indx'><A href='a.html'>a</A></LI>\n"
              "<LI class='indx'><A href='b.html'>b</A></LI>\n");
}

// A name that the results before it may have written is read, and a pattern
// resolved, only once those results are written.
TEST(parallel, list_files_written_earlier_in_the_run_are_read_as_they_are_then)
{
    const inputs pages = {{"x.html", "<html><head><title>X</title></head><body>"
                                     "<a href=\"/1\">1</a><a href=\"/2\">2</a></body></html>"},
                          {"y.html", "<title>Y</title><a href=\"/3\">3</a>"}};
    const observed per_input =
        expect_same_for_every_job_count(pages, {"-m", "2", "title", "*.html", "*.lst"});
    EXPECT_EQ(per_input.files.at("x.html.lst.lst"), "<title>X</title>\n\n");
    const observed numbered =
        expect_same_for_every_job_count(pages, {"-m", "4", "a", "x.html", "?.lst", "y.html"});
    EXPECT_EQ(numbered.files.at("0.lst"), "<a href=\"/3\">3</a>\n\n");
    expect_same_for_every_job_count(pages, {"-m", "4", "-d", "a", "x.html", "0.lst", "1.lst"});
}

// Tidy rewrites one process-wide table for each page's doctype, so a batch
// mixing HTML 4.01 and HTML5 pages is where threads would go wrong.
TEST(parallel, mixed_doctypes_give_the_same_results_every_time)
{
    const std::string html4 = file_text(e2e::test_data("doctype-html4.html"));
    const std::string html5 = file_text(e2e::test_data("doctype-html5.html"));
    inputs pages;
    strings args = {"-p", "a, caption, button, object, div"};
    for (int i = 0; i < 12; ++i) {
        const std::string name = "page" + std::to_string(i) + ".html";
        pages[name] = i % 3 == 0 ? html5 : html4;
        args.push_back(name);
    }
    const observed serial = observe(pages, args, 1);
    ASSERT_NE(serial.out.find("<a href=\"/x\"/>"), std::string::npos);
    ASSERT_NE(serial.out.find("<div>a block inside a link</div>\n</a>"), std::string::npos);
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(observe(pages, args, 8), serial);
    }
}

// A worker killed while it works on a slow page: the page is tried once more
// in a fresh worker (SIGKILL may come from the kernel short of memory), and
// the second worker killed costs exactly that page. The caller leaves SIGCHLD
// ignored, which must not hide how the workers ended.
TEST(parallel, a_killed_worker_costs_only_its_input)
{
    scratch_dir dir;
    const std::string marker = "p.killed-worker-" + std::to_string(getpid());
    dir.write("a.html", "<p class=\"killed-worker-" + std::to_string(getpid()) + "\">a</p>");
    dir.write("slow.html", nested_divs(80000));
    dir.write("b.html", "<p>b</p>");
    run_options options;
    options.environment = {{"VESTREL_JOBS", "2"}};
    options.prepare = [] { signal(SIGCHLD, SIG_IGN); };
    e2e::run_result run;
    std::thread runner([&] {
        run = run_vestrel({"-p", marker + ", p", "a.html", "slow.html", "b.html"}, dir.path,
                          options);
    });
    pid_t killed[2] = {0, 0};
    for (pid_t& worker : killed) {
        worker = e2e::wait_for_busy_child_of(marker, std::chrono::seconds(30));
        if (worker <= 0)
            break;
        kill(worker, SIGKILL);
        // Gone once the run has buried it.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (kill(worker, 0) == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    runner.join();
    ASSERT_GT(killed[0], 0) << "no worker was seen working";
    ASSERT_GT(killed[1], 0) << "no worker was seen trying again";
    EXPECT_NE(killed[0], killed[1]);
    EXPECT_EQ(run.exit_code, 3);
    EXPECT_EQ(run.out, "<!--a.html-->\n<p class=\"killed-worker-" + std::to_string(getpid())
                           + "\">a</p>\n\n<!--b.html-->\n<p>b</p>\n\n");
    EXPECT_EQ(run.err, "vestrel: slow.html: could not be processed (killed by signal 9)\n");
    EXPECT_TRUE(e2e::processes_with(marker).empty());
}

// A run ended by a broken pipe ends at once, its workers with it.
TEST(parallel, a_broken_pipe_ends_the_run_and_its_workers)
{
    scratch_dir dir;
    const std::string marker = "p.broken-pipe-" + std::to_string(getpid());
    for (int i = 0; i < 300; ++i)
        dir.write("page" + std::to_string(i) + ".html", long_list(50) + "<p>x</p>");
    const std::string command = "cd " + e2e::shell_quote(dir.path.string()) + " && "
                                + e2e::shell_quote(VESTREL_BINARY) + " -p '" + marker + ", li' '*.html'"
                                + " | head -c 100 >/dev/null; echo \"${PIPESTATUS[0]}\"";
    const auto result = e2e::run_bash_with_default_sigpipe(command);
    EXPECT_EQ(result, "141\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(e2e::processes_with(marker).empty());
}

// A setting of the environment that is not understood is warned about once,
// in one wording, and its default is used; a job count above the cap is
// capped. With standard error a pipe, no VESTREL_PROGRESS draws anything.
TEST(parallel, settings_not_understood_are_warned_about_and_replaced)
{
    const auto ignored = [](const std::string& variable, const std::string& setting,
                            const std::string& why) {
        return "vestrel: ignoring " + variable + "='" + setting + "', which is not " + why + "\n";
    };
    const auto bad_jobs = [&](const std::string& setting) {
        return ignored("VESTREL_JOBS", setting, "a positive integer");
    };
    const auto capped = [](const std::string& setting) {
        return "vestrel: VESTREL_JOBS='" + setting + "' is more than 256, using 256\n";
    };
    const auto bad_progress = [&](const std::string& setting) {
        return ignored("VESTREL_PROGRESS", setting, "0 or 1");
    };
    const struct {
        std::string variable;
        std::string setting;
        std::string err;
    } cases[] = {
        {"VESTREL_JOBS", "0", bad_jobs("0")},
        {"VESTREL_JOBS", "-1", bad_jobs("-1")},
        {"VESTREL_JOBS", "two", bad_jobs("two")},
        {"VESTREL_JOBS", "", bad_jobs("")},
        {"VESTREL_JOBS", "3x", bad_jobs("3x")},
        {"VESTREL_JOBS", "256", ""},
        {"VESTREL_JOBS", "257", capped("257")},
        {"VESTREL_JOBS", "1000", capped("1000")},
        {"VESTREL_JOBS", "99999999999999999999", capped("99999999999999999999")},
        {"VESTREL_TIMEOUT", "5m", ignored("VESTREL_TIMEOUT", "5m", "a number of seconds")},
        {"VESTREL_PROGRESS", "1", ""},
        {"VESTREL_PROGRESS", "0", ""},
        {"VESTREL_PROGRESS", "2", bad_progress("2")},
        {"VESTREL_PROGRESS", "yes", bad_progress("yes")},
        {"VESTREL_PROGRESS", "", bad_progress("")},
        {"VESTREL_PROGRESS", " 1", bad_progress(" 1")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.variable + "='" + c.setting + "'");
        scratch_dir dir;
        dir.write("a.html", "<p>a</p>");
        dir.write("b.html", "<p>b</p>");
        run_options options;
        options.environment = {{c.variable, c.setting}};
        const auto run = run_vestrel({"p", "a.html", "b.html"}, dir.path, options);
        EXPECT_EQ(run.exit_code, 0);
        EXPECT_EQ(run.out, "<p>a</p>\n\n<p>b</p>\n\n");
        EXPECT_EQ(run.err, c.err);
    }
}
