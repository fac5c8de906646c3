// Output that cannot be written is never lost in silence: each failure is
// reported with the file's name and the system's reason, and the run ends
// with 3, while whatever else can be written still is.
#include "harness.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using e2e::run_options;
using e2e::run_vestrel;
using e2e::scratch_dir;
using strings = std::vector<std::string>;

void standard_output_to_dev_full()
{
    const int full = open("/dev/full", O_WRONLY);
    if (full < 0 || dup2(full, STDOUT_FILENO) < 0)
        _exit(125);
}

void standard_output_closed()
{
    close(STDOUT_FILENO);
}

// A pipe that nobody reads, with SIGPIPE ignored: writes fail with EPIPE.
void standard_output_to_a_closed_pipe()
{
    int ends[2];
    if (pipe(ends) != 0 || dup2(ends[1], STDOUT_FILENO) < 0)
        _exit(125);
    close(ends[0]);
    signal(SIGPIPE, SIG_IGN);
}

const std::string no_space = "vestrel: cannot write standard output: No space left on device\n";

struct stdout_case {
    const char* what;
    strings args;
    void (*prepare)();
    int exit_code;
    std::string err;
};

// Standard output that cannot be written ends the run with one line.
TEST(lost_output, standard_output_that_cannot_be_written)
{
    const stdout_case cases[] = {
        {"/dev/full, mode 0", {"p", "a.html"}, standard_output_to_dev_full, 3, no_space},
        {"/dev/full, a prefix line only", {"-p", "table", "a.html"}, standard_output_to_dev_full,
         3, no_space},
        {"/dev/full, nothing to write", {"table", "a.html"}, standard_output_to_dev_full, 0, ""},
        {"/dev/full, the usage page", {"-h"}, standard_output_to_dev_full, 3, no_space},
        {"/dev/full, the usage page of a missing selector", {"-d"}, standard_output_to_dev_full,
         3, no_space},
        {"/dev/full, list files only", {"-m", "2", "p", "a.html"}, standard_output_to_dev_full, 0,
         ""},
        {"closed", {"p", "a.html"}, standard_output_closed, 3,
         "vestrel: cannot write standard output: Bad file descriptor\n"},
        {"closed, the usage page", {"-h"}, standard_output_closed, 3,
         "vestrel: cannot write standard output: Bad file descriptor\n"},
        {"a pipe nobody reads, SIGPIPE ignored", {"p", "a.html"},
         standard_output_to_a_closed_pipe, 3,
         "vestrel: cannot write standard output: Broken pipe\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        scratch_dir dir;
        dir.write("a.html", "<p>a</p>");
        run_options options;
        options.prepare = c.prepare;
        const auto run = run_vestrel(c.args, dir.path, options);
        EXPECT_FALSE(run.timed_out);
        EXPECT_EQ(run.exit_code, c.exit_code);
        EXPECT_EQ(run.err, c.err);
    }
}

// Once standard output has failed nothing more reaches the user, and the
// rest of the batch is not worked on.
TEST(lost_output, a_failed_standard_output_stops_the_run)
{
    for (const std::string jobs : {"1", "2"}) {
        SCOPED_TRACE(jobs + " jobs");
        scratch_dir dir;
        dir.write("a.html", "<p>a</p>");
        dir.write("b.html", "<p>b</p>");
        run_options options;
        options.prepare = standard_output_to_dev_full;
        options.environment = {{"VESTREL_JOBS", jobs}};
        const auto run = run_vestrel({"-d", "-m", "2", "p", "a.html", "b.html"}, dir.path,
                                     options);
        // Mode 2 writes list files: standard output is never touched.
        EXPECT_EQ(run.exit_code, 0);
        EXPECT_TRUE(dir.exists("b.html.lst"));

        const auto stopped = run_vestrel({"-d", "p", "a.html", "missing", "b.html"}, dir.path,
                                         options);
        EXPECT_EQ(stopped.exit_code, 3);
        EXPECT_NE(stopped.err.find("**** Loading: a.html\n"), std::string::npos);
        ASSERT_GE(stopped.err.size(), no_space.size());
        EXPECT_EQ(stopped.err.substr(stopped.err.size() - no_space.size()), no_space);
        EXPECT_EQ(stopped.err.find("missing"), std::string::npos);
        EXPECT_EQ(stopped.err.find("b.html"), std::string::npos);
    }
}

// Leaves the descriptor non-blocking, on a pipe that holds one page.
void make_non_blocking(int fd)
{
    fcntl(fd, F_SETPIPE_SZ, 4096);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// Streams left non-blocking by the caller, on pipes far smaller than what is
// written: the run waits for the reader and loses nothing.
TEST(lost_output, non_blocking_standard_streams_lose_nothing)
{
    struct blocking_case {
        const char* what;
        bool merged;
        void (*prepare)();
    };
    const blocking_case cases[] = {
        {"both streams", false,
         [] {
             make_non_blocking(STDOUT_FILENO);
             make_non_blocking(STDERR_FILENO);
         }},
        {"both streams on one pipe", true, [] { make_non_blocking(STDOUT_FILENO); }},
    };
    scratch_dir dir;
    std::string page = "<ul>";
    for (int i = 0; i < 20000; ++i)
        page += "<li>item " + std::to_string(i) + "</li>";
    dir.write("big.html", page + "</ul>");
    const strings args = {"-d", "-p", "li", "big.html", "big.html"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        run_options options;
        options.merge_stderr = c.merged;
        const auto blocking = run_vestrel(args, dir.path, options);
        ASSERT_GT(blocking.out.size(), 500000u);
        options.prepare = c.prepare;
        const auto run = run_vestrel(args, dir.path, options);
        EXPECT_EQ(run.exit_code, 0);
        EXPECT_EQ(run.out.size(), blocking.out.size());
        EXPECT_TRUE(run.out == blocking.out);
        EXPECT_EQ(run.err.size(), blocking.err.size());
        EXPECT_TRUE(run.err == blocking.err);
    }
}

// The files a run leaves besides the inputs.
std::map<std::string, std::string> written_files(const scratch_dir& dir)
{
    auto files = dir.files();
    files.erase("big.html");
    files.erase("small.html");
    return files;
}

// List files that fill up the file-size limit part of the way: the file that
// cannot be finished is reported once and holds what fitted, and the other
// inputs' files are written whole. SIGXFSZ is left at its default, as a
// user's shell leaves it, which would end the run at the limit.
TEST(lost_output, list_files_over_the_file_size_limit)
{
    struct limit_case {
        const char* what;
        strings args;
        std::string cut_short;
    };
    const limit_case cases[] = {
        {"mode 2", {"-m", "2", "p", "big.html", "small.html"}, "big.html.lst"},
        {"mode 3", {"-m", "3", "p", "big.html", "small.html"}, "big.html.0.lst"},
        {"mode 1", {"-m", "1", "p", "small.html", "big.html", "small.html"}, "_all.lst"},
        {"mode 6", {"-m", "6", "p", "big.html", "small.html"}, "_index.lst"},
    };
    constexpr std::size_t limit = 2048;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        scratch_dir unlimited;
        unlimited.write("big.html", "<p>" + std::string(3000, 'x') + "</p>");
        unlimited.write("small.html", "<p>small</p>");
        ASSERT_EQ(run_vestrel(c.args, unlimited.path).exit_code, 0);
        auto expected = written_files(unlimited);
        ASSERT_GT(expected.at(c.cut_short).size(), limit);
        expected[c.cut_short].resize(limit);

        scratch_dir dir;
        dir.write("big.html", unlimited.read("big.html"));
        dir.write("small.html", unlimited.read("small.html"));
        run_options options;
        options.prepare = [] {
            const rlimit size{limit, limit};
            setrlimit(RLIMIT_FSIZE, &size);
            signal(SIGXFSZ, SIG_DFL);
        };
        const auto run = run_vestrel(c.args, dir.path, options);
        EXPECT_EQ(run.exit_code, 3);
        EXPECT_EQ(run.err, "vestrel: cannot write " + c.cut_short + ": File too large\n");
        EXPECT_EQ(written_files(dir), expected);
    }
}

}
