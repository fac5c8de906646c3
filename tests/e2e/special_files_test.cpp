// Inputs that are not plain files, and inputs too big for memory: each input
// is opened once, a pattern reads only regular files, endless devices end at
// their first NUL byte, and running out of memory costs one input.
#include "harness.hpp"
#include "shell.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <future>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using e2e::run_options;
using e2e::run_vestrel;
using e2e::scratch_dir;

std::string in_bash(const scratch_dir& dir, const std::string& command)
{
    const auto result = e2e::run_shell("cd " + e2e::shell_quote(dir.path.string())
                                       + " && bash -c " + e2e::shell_quote(command));
    return result.text;
}

const std::string vestrel = e2e::shell_quote(VESTREL_BINARY);

// A writer that starts late still has everything it writes read, every time.
TEST(special_files, a_fifo_or_process_substitution_is_read_once_and_whole)
{
    scratch_dir dir;
    for (int attempt = 0; attempt < 5; ++attempt) {
        SCOPED_TRACE(attempt);
        EXPECT_EQ(in_bash(dir, vestrel + " -p p <(sleep 0.2; printf '<p>late</p>')"),
                  "<!--/dev/fd/63-->\n<p>late</p>\n\n");
        EXPECT_EQ(in_bash(dir, "rm -f f; mkfifo f; (sleep 0.2; printf '<p>fifo</p>' > f) & "
                               + vestrel + " -p p f; wait"),
                  "<!--f-->\n<p>fifo</p>\n\n");
    }
}

// A FIFO, a socket or a device that a pattern meets is passed over; named as
// arguments, they are read as they are.
TEST(special_files, a_pattern_reads_only_regular_files)
{
    scratch_dir dir;
    dir.write("a.html", "<p>a</p>");
    ASSERT_EQ(mkfifo((dir.path / "fifo.html").c_str(), 0600), 0);
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socket_path = (dir.path / "socket.html").string();
    ASSERT_LT(socket_path.size(), sizeof address.sun_path);
    socket_path.copy(address.sun_path, socket_path.size());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const auto run = run_vestrel({"-d", "-m", "7", "p", "*.html"}, dir.path, std::nullopt,
                                 std::chrono::seconds(20));
    close(listener);
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_NE(run.err.find("**** Loading: fifo.html\n**** Loading: "), std::string::npos);
    EXPECT_EQ(run.err.find("**** Loading: fifo.html\n**** BEGIN"), std::string::npos);
    EXPECT_NE(run.err.find("**** Loading: a.html\n**** BEGIN"), std::string::npos);
}

// Endless devices end at their first NUL byte, at once.
TEST(special_files, endless_devices_end_at_their_first_nul_byte)
{
    scratch_dir dir;
    dir.write("a.html", "<p>a</p>");
    const auto run = run_vestrel({"-p", "p", "/dev/zero", "/dev/urandom", "a.html"}, dir.path,
                                 std::nullopt, std::chrono::seconds(20));
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out.rfind("<!--/dev/zero-->\n<!--/dev/urandom-->\n", 0), 0u) << run.out;
    const std::string tail = "<!--a.html-->\n<p>a</p>\n\n";
    ASSERT_GE(run.out.size(), tail.size());
    EXPECT_EQ(run.out.substr(run.out.size() - tail.size()), tail);
}

// The index page is meant for a browser: a file name cannot add markup to it
// nor move its link; nor can it end the comment of a prefix line early.
TEST(special_files, names_in_the_index_are_escaped)
{
    scratch_dir dir;
    const std::string hostile = "x--><b onmouseover=alert(1)>.html";
    dir.write("it's <b>&.html", "<p>x</p>");
    dir.write("a#b?c%d.html", "<p>y</p>");
    dir.write(hostile, "<p>z</p>");
    const std::vector<std::string> names = {"it's <b>&.html", "a#b?c%d.html", hostile};
    std::vector<std::string> args = {"-m", "5", "p"};
    args.insert(args.end(), names.begin(), names.end());
    const auto run = run_vestrel(args, dir.path);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(dir.read("_index.lst"),
              "<LI class='indx'><A href='it&#39;s &lt;b&gt;&amp;.html'>x</A></LI>\n"
              "<LI class='indx'><A href='a%23b%3Fc%25d.html'>y</A></LI>\n"
              "<LI class='indx'><A href='x--&gt;&lt;b onmouseover=alert(1)&gt;.html'>z</A></LI>\n");

    args[1] = "0";
    args.insert(args.begin(), "-p");
    const auto prefixed = run_vestrel(args, dir.path);
    EXPECT_EQ(prefixed.exit_code, 0);
    EXPECT_EQ(prefixed.out, "<!--it's <b>&.html-->\n<p>x</p>\n\n"
                            "<!--a#b?c%d.html-->\n<p>y</p>\n\n"
                            "<!--x%2D%2D%3E<b onmouseover=alert(1)%3E.html-->\n<p>z</p>\n\n");
}

// What a FIFO opened (non-blocking) before the run is given, until its last
// writer closes it; until a writer has come and gone, poll reports no hang-up.
std::string read_until_closed(int fd)
{
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd polled{fd, POLLIN, 0};
        if (poll(&polled, 1, 100) <= 0)
            continue;
        char buffer[65536];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n > 0)
            got.append(buffer, std::size_t(n));
    }
    return got;
}

std::string long_list_page(int items)
{
    std::string page = "<ul>";
    for (int i = 0; i < items; ++i)
        page += "<li>item " + std::to_string(i) + "</li>";
    return page + "</ul>";
}

// A list file that is a FIFO: with a reader it gets exactly what a regular
// file would, more than a pipe holds included; without one the run does not
// wait, and reports the file as one it cannot write.
TEST(special_files, a_fifo_as_a_list_file)
{
    struct fifo_case {
        std::vector<std::string> args;
        std::string fifo;
        bool reader;
    };
    const fifo_case cases[] = {
        {{"-m", "1", "-p", "li, p", "big.html", "small.html"}, "_all.lst", true},
        {{"-m", "1", "p", "small.html", "_all.lst", "./_all.lst"}, "_all.lst", true},
        {{"-m", "6", "li", "small.html", "big.html"}, "_index.lst", true},
        {{"-m", "2", "-p", "li", "big.html", "small.html"}, "big.html.lst", true},
        {{"-m", "1", "p", "small.html", "small.html"}, "_all.lst", false},
        {{"-m", "2", "li", "small.html", "big.html"}, "small.html.lst", false},
        {{"-m", "4", "p", "small.html"}, "0.lst", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(e2e::bracketed(c.args) + (c.reader ? " with a reader" : " without a reader"));
        scratch_dir regular;
        regular.write("big.html", long_list_page(5000));
        regular.write("small.html", "<p>small</p>");
        const auto expected = run_vestrel(c.args, regular.path);
        ASSERT_EQ(expected.exit_code, 0);
        std::map<std::string, std::string> other_files = regular.files();
        const std::string fifo_text = other_files.at(c.fifo);
        other_files.erase(c.fifo);

        scratch_dir dir;
        dir.write("big.html", regular.read("big.html"));
        dir.write("small.html", regular.read("small.html"));
        const std::string fifo = (dir.path / c.fifo).string();
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        const int fd = c.reader ? open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
        std::future<std::string> got;
        if (c.reader)
            got = std::async(std::launch::async, read_until_closed, fd);
        const auto run = run_vestrel(c.args, dir.path, std::nullopt, std::chrono::seconds(20));
        EXPECT_FALSE(run.timed_out);
        EXPECT_EQ(dir.files(), other_files);
        if (c.reader) {
            EXPECT_EQ(run.exit_code, 0);
            EXPECT_EQ(run.err, expected.err);
            EXPECT_TRUE(got.get() == fifo_text);
            close(fd);
        } else {
            EXPECT_EQ(run.exit_code, 3);
            EXPECT_EQ(run.err, "vestrel: cannot write " + c.fifo + ": No such device or address\n");
        }
    }
}

// An input too big for the memory the run may use costs that input only.
TEST(special_files, an_input_too_big_for_memory_costs_only_itself)
{
#ifdef VESTREL_SANITIZED
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit leaves";
#endif
    scratch_dir dir;
    dir.write("a.html", "<p>a</p>");
    dir.write("b.html", "<p>b</p>");
    // Sparse: 8 GiB of address space that no disk holds.
    dir.write("big.html", "");
    ASSERT_EQ(truncate((dir.path / "big.html").c_str(), off_t(8) << 30), 0);
    for (const std::string jobs : {"1", "2"}) {
        SCOPED_TRACE(jobs + " jobs");
        run_options options;
        options.environment = {{"VESTREL_JOBS", jobs}};
        options.prepare = [] {
            const rlimit limit{rlim_t(3) << 30, rlim_t(3) << 30};
            setrlimit(RLIMIT_AS, &limit);
        };
        const auto run = run_vestrel({"-p", "p", "a.html", "big.html", "b.html"}, dir.path,
                                     options);
        EXPECT_EQ(run.exit_code, 3);
        EXPECT_EQ(run.out, "<!--a.html-->\n<p>a</p>\n\n<!--b.html-->\n<p>b</p>\n\n");
        EXPECT_EQ(run.err, "vestrel: big.html: out of memory\n");
    }
}

}
