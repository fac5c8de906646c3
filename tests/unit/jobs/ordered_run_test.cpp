#include "jobs/ordered_run.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <malloc.h>
#include <memory>
#include <new>
#include <set>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// The work of these tests. A job's file holds its request, one part a line:
// the first is one word and, for some, a number:
// "echo TEXT" gives [TEXT, pid]; "sleep MS TEXT" sleeps first; "crash"
// (a kill that no sanitizer intercepts),
// "oom" and "exit N" end the worker in their ways; "setup" gives what the
// worker's setup left behind.
//
// Jobs that tell a fresh worker from a used one, each noting its try in a
// second part of the request, a file it appends a line to: "short TEXT" runs
// short of resources unless its worker is fresh, "always short TEXT" always
// does; "signal N TEXT" raises signal N unless its worker is fresh; "spin"
// burns CPU time until its worker is ended; "read" gives the third part of
// its request, "read short" the same, running short of resources unless its
// worker is fresh. Each gives [TEXT, pid, jobs its worker did before].
std::string set_up_by = "nobody";
int jobs_done_here = 0;
volatile unsigned long spun = 0;

void note_try(const message& request)
{
    if (request.size() < 2)
        return;
    const int fd = open(request[1].c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) {
        const ssize_t written = write(fd, "try\n", 4);
        static_cast<void>(written);
        close(fd);
    }
}

std::string read_all(int fd)
{
    std::string text;
    char buffer[256];
    for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, std::size_t(got));
    return text;
}

// The parts of a request, one a line.
std::string request_text(const message& parts)
{
    std::string text;
    for (const std::string& part : parts)
        text += part + "\n";
    return text;
}

// A file that holds the request, open for reading from its start.
owned_fd request(const message& parts)
{
    owned_fd file(memfd_create("request", MFD_CLOEXEC));
    const std::string text = request_text(parts);
    if (!file.is_open() || write(file.fd, text.data(), text.size()) != ssize_t(text.size())
        || lseek(file.fd, 0, SEEK_SET) != 0)
        throw std::runtime_error("cannot make a request file");
    return file;
}

// The request the file holds.
message request_in(int fd)
{
    message parts;
    std::string text = read_all(fd);
    for (std::size_t end; (end = text.find('\n')) != std::string::npos;) {
        parts.push_back(text.substr(0, end));
        text.erase(0, end + 1);
    }
    return parts;
}

// Allocates 40 MB in small blocks and frees them, the highest first: those
// the allocator keeps at hand for the next small requests lie at the top of
// its heap. Gives how much it allocated, in bytes.
std::string churn_memory()
{
    std::vector<std::unique_ptr<char[]>> blocks(100000);
    for (auto& block : blocks) {
        block = std::make_unique<char[]>(400);
        block[0] = 1;
    }
    while (!blocks.empty())
        blocks.pop_back();
    return std::to_string(100000 * 400);
}

work_reply fresh_or_used_work(const message& request)
{
    const std::string& words = request.at(0);
    note_try(request);
    const bool fresh = jobs_done_here++ == 0;
    const std::string pid = std::to_string(getpid());
    const std::string before = std::to_string(jobs_done_here - 1);
    if (words.rfind("short ", 0) == 0)
        return {{words.substr(6), pid, before}, !fresh};
    if (words.rfind("always short ", 0) == 0)
        return {{words.substr(13), pid, before}, true};
    if (words.rfind("signal ", 0) == 0) {
        const std::size_t space = words.find(' ', 7);
        if (!fresh)
            raise(std::stoi(words.substr(7, space - 7)));
        return {{words.substr(space + 1), pid, before}};
    }
    if (words == "spin")
        for (unsigned long i = 0;; ++i)
            spun = i;
    return {{request.at(2), pid, before}, words == "read short" && !fresh};
}

work_reply work(owned_fd file)
{
    const message request = request_in(file.fd);
    const std::string& words = request.at(0);
    if (words.rfind("short ", 0) == 0 || words.rfind("always short ", 0) == 0
        || words.rfind("signal ", 0) == 0 || words == "spin" || words.rfind("read", 0) == 0)
        return fresh_or_used_work(request);
    ++jobs_done_here;
    const std::string pid = std::to_string(getpid());
    if (words.rfind("sleep ", 0) == 0) {
        const std::size_t space = words.find(' ', 6);
        std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(words.substr(6, space - 6))));
        return {{words.substr(space + 1), pid}};
    }
    if (words == "crash")
        raise(SIGKILL);
    if (words == "oom")
        throw std::bad_alloc();
    if (words.rfind("exit ", 0) == 0)
        _exit(std::stoi(words.substr(5)));
    if (words == "setup")
        return {{set_up_by, pid}};
    if (words == "churn")
        return {{churn_memory(), pid}};
    if (words == "heap")
        return {{std::to_string(mallinfo2().arena), pid}};
    return {{words.substr(5), pid}};
}

// What the handlers and steps saw, in the order they ran; a fresh_or_used_work
// job's result with how many jobs its worker did before it.
struct journal {
    std::vector<std::string> entries;
    std::set<std::string> pids;

    ordered_run::result_handler handler()
    {
        return [this](job_result result) {
            if (!result.reply) {
                entries.push_back("failed: " + describe(result.problem));
                return;
            }
            const message& reply = *result.reply;
            entries.push_back(reply.at(0) + (reply.size() == 3 ? " after " + reply[2] + " jobs" : ""));
            pids.insert(reply.at(1));
        };
    }
    ordered_run::step note(std::string text)
    {
        return [this, text] { entries.push_back("note: " + text); };
    }
};

// Jobs that end in the reverse of their order are handed on in their order,
// with the steps between them in place, for any number of workers.
TEST(ordered_run, results_and_steps_in_the_order_they_were_added)
{
    for (const unsigned jobs : {1u, 2u, 3u, 8u}) {
        SCOPED_TRACE(jobs);
        journal seen;
        {
            ordered_run run(jobs, work);
            run.then(seen.note("start"));
            for (int i = 0; i < 6; ++i) {
                const std::string words =
                    "sleep " + std::to_string(60 - 10 * i) + " r" + std::to_string(i);
                run.add(seen.handler(), request({words}));
                run.then(seen.note("after r" + std::to_string(i)));
            }
            run.drain();
        }
        const std::vector<std::string> expected = {
            "note: start", "r0", "note: after r0", "r1", "note: after r1", "r2", "note: after r2",
            "r3", "note: after r3", "r4", "note: after r4", "r5", "note: after r5"};
        EXPECT_EQ(seen.entries, expected);
        EXPECT_EQ(seen.pids.count(std::to_string(getpid())), 0u);
        EXPECT_LE(seen.pids.size(), jobs);
        EXPECT_GE(seen.pids.size(), std::min(jobs, 2u));
    }
}

// One job runs in one worker, never in this process, and a step waits for
// the job before it.
TEST(ordered_run, one_job_runs_in_one_worker)
{
    journal seen;
    ordered_run run(1, work);
    run.add(seen.handler(), request({"echo a"}));
    run.then(seen.note("b"));
    run.add(seen.handler(), request({"echo c"}));
    run.drain();
    EXPECT_EQ(seen.entries, (std::vector<std::string>{"a", "note: b", "c"}));
    EXPECT_EQ(seen.pids.size(), 1u);
    EXPECT_EQ(seen.pids.count(std::to_string(getpid())), 0u);
}

// However slow the first job, no more than twice the job count wait.
TEST(ordered_run, a_slow_first_job_holds_back_at_most_a_window)
{
    const unsigned jobs = 2;
    journal seen;
    ordered_run run(jobs, work);
    run.add(seen.handler(), request({"sleep 300 slow"}));
    for (int i = 1; i < 12; ++i) {
        run.add(seen.handler(), request({"echo " + std::to_string(i)}));
        const std::size_t added = std::size_t(i) + 1;
        EXPECT_LE(added - seen.entries.size(), 2 * jobs) << i;
    }
    run.drain();
    ASSERT_EQ(seen.entries.size(), 12u);
    EXPECT_EQ(seen.entries.front(), "slow");
    EXPECT_EQ(seen.entries.back(), "11");
}

// A worker that dies costs its own job only; a fresh worker takes the next,
// also the job that was already queued behind the one it died on.
TEST(ordered_run, a_dying_worker_costs_only_its_job)
{
    for (const unsigned jobs : {1u, 3u}) {
        SCOPED_TRACE(jobs);
        journal seen;
        ordered_run run(jobs, work);
        for (const char* words : {"echo a", "crash", "echo b", "oom", "exit 5", "echo c",
                                  "exit 0", "echo d"})
            run.add(seen.handler(), request({words}));
        run.drain();
        const std::vector<std::string> expected = {
            "a", "failed: could not be processed (killed by signal 9)", "b",
            "failed: out of memory", "failed: could not be processed (exit status 5)", "c",
            "failed: could not be processed (exit status 0)", "d"};
        EXPECT_EQ(seen.entries, expected);
    }
}

// A file that jobs note their tries in, removed with the object.
struct try_log {
    std::string path = testing::TempDir() + "tries-" + std::to_string(getpid()) + "-"
        + std::to_string(count_made++);

    ~try_log() { unlink(path.c_str()); }
    int tries() const
    {
        std::ifstream file(path);
        int lines = 0;
        for (std::string line; std::getline(file, line);)
            ++lines;
        return lines;
    }

    static inline int count_made = 0;
};

// A job that runs short of resources, or whose worker dies of a limit's
// signal, in a worker that did a job before it is tried once more in a
// fresh worker, and only what that try gives is handed on; a crash, or a job
// past the CPU time it may take, is given up at once. The job queued behind
// it in the one worker is done all the same. (A worker killed by SIGKILL is
// pinned end to end, by a killed worker costing only its input.)
TEST(ordered_run, a_job_a_used_worker_could_not_do_is_tried_once_in_a_fresh_one)
{
    struct retry_case {
        const char* what;
        std::string request;
        std::string seen;
        int tries;
        unsigned cpu_seconds = 0;
    };
    const retry_case cases[] = {
        {"short of resources in a used worker", "short b", "b after 0 jobs", 2},
        {"short of resources in any worker", "always short b", "b after 0 jobs", 2},
        {"killed by SIGXCPU in a used worker", "signal 24 b", "b after 0 jobs", 2},
        {"a crash", "signal 6 b", "failed: could not be processed (killed by signal 6)", 1},
        {"past its CPU time", "spin", "failed: given up after 1 s of CPU time", 1, 1},
    };
    for (const retry_case& c : cases) {
        SCOPED_TRACE(c.what);
        const try_log log;
        journal seen;
        ordered_run run(1, work, {}, c.cpu_seconds);
        run.add(seen.handler(), request({"echo a"}));
        run.add(seen.handler(), request({c.request, log.path}));
        run.add(seen.handler(), request({"echo c"}));
        run.drain();
        EXPECT_EQ(seen.entries, (std::vector<std::string>{"a", c.seen, "c"}));
        EXPECT_EQ(log.tries(), c.tries);
    }
}

// A job tried again reads its file again from where it began; a pipe cannot
// be read again, so what the first try gave is handed on.
TEST(ordered_run, a_job_is_tried_again_only_when_its_file_can_be_read_again)
{
    const try_log page;
    {
        std::ofstream(page.path) << request_text({"read short", "", "page"});
    }
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const std::string piped = request_text({"read short", "", "piped"});
    ASSERT_EQ(write(ends[1], piped.data(), piped.size()), ssize_t(piped.size()));
    close(ends[1]);
    struct file_case {
        const char* what;
        owned_fd file;
        std::string seen;
    };
    file_case cases[] = {
        {"a regular file", owned_fd(open(page.path.c_str(), O_RDONLY | O_CLOEXEC)),
         "page after 0 jobs"},
        {"a pipe", owned_fd(ends[0]), "piped after 1 jobs"},
    };
    for (file_case& c : cases) {
        SCOPED_TRACE(c.what);
        journal seen;
        ordered_run run(1, work);
        run.add(seen.handler(), request({"echo a"}));
        run.add(seen.handler(), std::move(c.file));
        run.drain();
        EXPECT_EQ(seen.entries, (std::vector<std::string>{"a", c.seen}));
    }
}

// Under a memory limit, what a job allocated and freed is given back before
// the next job starts, even the small blocks the allocator would keep at
// hand. The limit here, set in the worker, is too large to be reached; the
// worker's heap starts as large as this process's.
TEST(ordered_run, a_worker_under_a_memory_limit_gives_memory_back_between_jobs)
{
    journal seen;
    ordered_run run(1, work, [] {
        const rlimit huge{rlim_t(1) << 62, rlim_t(1) << 62};
        setrlimit(RLIMIT_DATA, &huge);
    });
    run.add(seen.handler(), request({"heap"}));
    run.add(seen.handler(), request({"churn"}));
    run.add(seen.handler(), request({"heap"}));
    run.drain();
    ASSERT_EQ(seen.entries.size(), 3u);
    EXPECT_EQ(seen.entries[1], "40000000");
    EXPECT_LT(std::stol(seen.entries[2]) - std::stol(seen.entries[0]), 1000000);
}

TEST(ordered_run, setup_runs_in_each_worker)
{
    journal seen;
    {
        ordered_run run(2, work, [] { set_up_by = "the worker's setup"; });
        run.add(seen.handler(), request({"setup"}));
        run.add(seen.handler(), request({"sleep 50 x"}));
        run.add(seen.handler(), request({"setup"}));
        run.drain();
    }
    EXPECT_EQ(set_up_by, "nobody");
    EXPECT_EQ(seen.entries,
              (std::vector<std::string>{"the worker's setup", "x", "the worker's setup"}));
}

// A run told to wake ticks while a job is worked on, and after results are
// handed on, never in the middle of the handlers and steps, whose order stays
// as it was; each tick sees since when the oldest job has been worked on.
TEST(ordered_run, wakes_while_it_waits_without_changing_the_order)
{
    journal seen;
    std::vector<bool> tick_saw_a_start;
    ordered_run run(2, work);
    run.wake_every(10ms, [&] {
        const auto start = run.oldest_job_start();
        tick_saw_a_start.push_back(start && *start <= std::chrono::steady_clock::now());
        if (seen.entries.empty() || seen.entries.back() != "tick")
            seen.entries.push_back("tick");
    });
    run.add(seen.handler(), request({"sleep 300 a"}));
    run.add(seen.handler(), request({"echo b"}));
    run.then(seen.note("c"));
    run.drain();
    EXPECT_EQ(seen.entries, (std::vector<std::string>{"tick", "a", "b", "note: c", "tick"}));
    ASSERT_GE(tick_saw_a_start.size(), 2u);
    // Every tick but the last, after which nothing waits.
    EXPECT_EQ(std::count(tick_saw_a_start.begin(), tick_saw_a_start.end() - 1, false), 0);
    EXPECT_FALSE(tick_saw_a_start.back());
}

// A job queued behind another in the one worker counts from when that worker
// took it up, not from when it was queued.
TEST(ordered_run, the_oldest_job_counts_from_when_its_worker_took_it_up)
{
    const auto before = std::chrono::steady_clock::now();
    journal seen;
    std::vector<std::chrono::steady_clock::time_point> starts_of_b;
    ordered_run run(1, work);
    run.wake_every(10ms, [&] {
        if (const auto start = run.oldest_job_start(); start && seen.entries.size() == 1)
            starts_of_b.push_back(*start);
    });
    run.add(seen.handler(), request({"sleep 300 a"}));
    run.add(seen.handler(), request({"sleep 100 b"}));
    run.drain();
    ASSERT_EQ(seen.entries, (std::vector<std::string>{"a", "b"}));
    ASSERT_FALSE(starts_of_b.empty());
    for (const auto start : starts_of_b)
        EXPECT_GE(start - before, 300ms);
}

// Every worker is gone once the run is: none is left running or unreaped.
TEST(ordered_run, workers_end_with_the_run)
{
    journal seen;
    {
        ordered_run run(3, work);
        for (int i = 0; i < 6; ++i)
            run.add(seen.handler(), request({"echo " + std::to_string(i)}));
        run.drain();
    }
    ASSERT_EQ(seen.entries.size(), 6u);
    for (const std::string& pid : seen.pids)
        EXPECT_NE(kill(std::stoi(pid), 0), 0) << pid;
}

TEST(ordered_run, abandon_ends_busy_workers_at_once)
{
    journal seen;
    ordered_run run(2, work);
    run.add(seen.handler(), request({"echo first"}));
    run.add(seen.handler(), request({"sleep 60000 never"}));
    run.add(seen.handler(), request({"echo third"}));
    const auto start = std::chrono::steady_clock::now();
    run.abandon();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    run.drain();
    EXPECT_LE(seen.entries.size(), 1u);
}

// Runs three jobs as an unprivileged user who may start no process, and
// exits with 0 when they ran in place, in order.
[[noreturn]] void run_without_processes()
{
    if (geteuid() == 0) {
        constexpr uid_t nobody = 65534;
        if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0)
            _exit(10);
    }
    const rlimit none{0, 0};
    if (setrlimit(RLIMIT_NPROC, &none) != 0)
        _exit(11);
    journal seen;
    ordered_run run(4, work);
    for (const char* words : {"echo a", "sleep 20 b", "echo c"})
        run.add(seen.handler(), request({words}));
    run.drain();
    const bool in_order = seen.entries == std::vector<std::string>{"a", "b", "c"};
    const bool in_place = seen.pids == std::set<std::string>{std::to_string(getpid())};
    _exit(in_order && in_place ? 0 : 12);
}

// When no process can be started, every job runs in place, in order.
TEST(ordered_run, without_processes_jobs_run_in_place)
{
    EXPECT_EXIT(run_without_processes(), testing::ExitedWithCode(0), "");
}

// A killed run leaves no worker behind: each ends with the thread that
// started it.
TEST(ordered_run, workers_end_when_their_run_is_killed)
{
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    int pids[2];
    ASSERT_EQ(pipe(pids), 0);
    const pid_t run_pid = fork();
    ASSERT_GE(run_pid, 0);
    if (run_pid == 0) {
        close(pids[0]);
        ordered_run run(2, [&](owned_fd) -> work_reply {
            const pid_t self = getpid();
            if (write(pids[1], &self, sizeof self) != sizeof self)
                _exit(1);
            sleep(60);
            return {};
        });
        run.add([](job_result) {}, request({"x"}));
        run.drain();
        _exit(0);
    }
    close(pids[1]);
    pid_t worker = 0;
    ASSERT_EQ(read(pids[0], &worker, sizeof worker), static_cast<ssize_t>(sizeof worker));
    close(pids[0]);
    kill(run_pid, SIGKILL);
    int status = 0;
    waitpid(run_pid, &status, 0);
    // The orphaned worker comes to this process, which reaps it.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    pid_t reaped = 0;
    while (reaped == 0 && std::chrono::steady_clock::now() < deadline) {
        reaped = waitpid(worker, &status, WNOHANG);
        std::this_thread::sleep_for(10ms);
    }
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    ASSERT_EQ(reaped, worker);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
}

}
