#include "jobs/worker_pool.hpp"

#include "platform/large_stack.hpp"
#include "platform/system_io.hpp"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The last part of every reply: whether the job ran short of resources.
const std::string short_mark = "short";

int wait_for(pid_t pid)
{
    int status = 0;
    retry_interrupted([&] { return waitpid(pid, &status, 0); });
    return status;
}

// A worker writes nothing on standard output: what it has to say goes back to
// the run in its replies.
void silence_standard_output()
{
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
        dup2(null, STDOUT_FILENO);
        close(null);
    }
}

// The stack of the thread each job runs on. A job that recurses deeper asks
// for a stack of its own (run_with_stack); under a memory limit (ulimit -v)
// every mapped MiB counts, used or not.
constexpr std::size_t job_stack_bytes = std::size_t(1) << 20;

// Runs job on a thread of its own and waits for it, or on this thread when no
// thread can be started; what job returns.
bool on_own_thread(const std::function<bool()>& job)
{
    bool result = false;
    if (run_on_new_thread(job_stack_bytes, [&] { result = job(); }))
        result = job();
    return result;
}

// Whether a limit counts the memory this process maps (ulimit -v, ulimit -d),
// so that what one job holds on to is taken from the next.
bool memory_is_limited()
{
    for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit limit{};
        if (getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            return true;
    }
    return false;
}

// Sets the file back to where a job began reading it (none: -1); false when
// it cannot be.
bool rewind(int file, off_t start)
{
    return start >= 0 && (file < 0 || lseek(file, start, SEEK_SET) == start);
}

}

worker_pool::worker_pool(unsigned size, job_function work, std::function<void()> setup,
                         unsigned cpu_seconds)
    : size(size), work(std::move(work)), setup(std::move(setup)), cpu_seconds(cpu_seconds)
{
}

worker_pool::~worker_pool()
{
    for (worker& w : workers) {
        if (!w.jobs.empty())
            kill(w.pid, SIGKILL);
        close(w.socket);
    }
    for (const worker& w : workers)
        wait_for(w.pid);
}

bool worker_pool::start_worker(int passed_file)
{
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    const pid_t parent = getpid();
    // Whatever stdio holds would otherwise be written again by the child.
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        close(ends[0]);
        close(ends[1]);
        return false;
    }
    if (pid == 0) {
        close(ends[0]);
        // The files on their way to workers reach them through the sockets;
        // a copy kept here would hold a pipe open after its reader is done.
        for (const worker& w : workers) {
            close(w.socket);
            for (const sent_job& job : w.jobs)
                close(job.file.fd);
        }
        for (const std::list<sent_job>* waiting : {&unsent, &second_tries})
            for (const sent_job& job : *waiting)
                close(job.file.fd);
        if (passed_file >= 0)
            close(passed_file);
        // Ends with the thread that forked it; if that is already gone,
        // end now.
        if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
            _exit(0);
        silence_standard_output();
        if (setup)
            setup();
        serve(ends[1]);
    }
    close(ends[1]);
    workers.push_back({pid, ends[0], {}, false});
    return true;
}

void worker_pool::serve(int socket) const
{
    const job_cpu_timer timer(cpu_seconds);
    const auto next_job = [&] { return serve_one(socket, timer); };
    if (memory_is_limited()) {
        // Each job runs on a thread of its own. A thread keeps a cache of the
        // small blocks it freed, which holds the top of the heap in place;
        // when the thread ends, the cache goes back to the allocator, and the
        // allocator gives the free memory at the top of its heap back to the
        // system. Without a limit that would only cost the next job the time
        // to map it again.
        while (on_own_thread(next_job)) {
        }
    } else {
        while (next_job()) {
        }
    }
    // Never returns into the run's code, and never runs its exit handlers
    // or flushes its buffers a second time.
    _exit(0);
}

bool worker_pool::serve_one(int socket, const job_cpu_timer& timer) const
{
    try {
        owned_fd file;
        if (!receive_message(socket, &file))
            return false;
        timer.arm();
        work_reply done = work(std::move(file));
        timer.disarm();
        done.reply.push_back(done.short_of_resources ? short_mark : std::string());
        return send_message(socket, done.reply) && !done.short_of_resources;
    } catch (const std::bad_alloc&) {
        _exit(out_of_memory_status);
    }
}

std::optional<std::size_t> worker_pool::worker_for_next_job(int file)
{
    for (std::size_t i = 0; i < workers.size(); ++i) {
        if (!workers[i].gone && workers[i].jobs.empty())
            return i;
    }
    if (workers.size() + second_tries.size() < size) {
        if (start_worker(file))
            return workers.size() - 1;
        size = workers.size();
    }
    // Only the worker of a pool of one takes a job behind the one it works
    // on: with more, a job queued behind a long one would wait while another
    // worker stood idle.
    if (size == 1 && workers.size() == 1 && !workers[0].gone && workers[0].jobs.size() == 1)
        return 0;
    return std::nullopt;
}

bool worker_pool::send(std::size_t ticket, int file)
{
    for (;;) {
        const std::optional<std::size_t> index = worker_for_next_job(file);
        if (!index)
            return false;
        worker& chosen = workers[*index];
        sent_job job{ticket, {}, -1, std::nullopt, std::nullopt};
        if (file >= 0) {
            job.file = owned_fd(fcntl(file, F_DUPFD_CLOEXEC, 0));
            // A job queued behind another must be sent again should the
            // worker die first; one that starts now only loses its second try.
            if (!job.file.is_open() && !chosen.jobs.empty())
                return false;
            if (job.file.is_open())
                job.file_start = lseek(file, 0, SEEK_CUR);
        } else {
            job.file_start = 0;
        }
        if (hand_to(chosen, job, file))
            return true;
        if (chosen.jobs.empty())
            bury(*index);  // it died while idle, so no job is lost with it
        else
            chosen.gone = true;  // its end is read, and its jobs told, by wait_any
    }
}

std::optional<std::pair<std::size_t, job_result>> worker_pool::wait_any(int timeout)
{
    for (;;) {
        if (auto given_up = send_second_tries())
            return std::move(*given_up);
        while (!unsent.empty() && send(unsent.front().ticket, unsent.front().file.fd))
            unsent.pop_front();
        std::vector<pollfd> polled;
        std::vector<std::size_t> indexes;
        for (std::size_t i = 0; i < workers.size(); ++i) {
            if (!workers[i].jobs.empty()) {
                polled.push_back({workers[i].socket, POLLIN, 0});
                indexes.push_back(i);
            }
        }
        if (polled.empty()) {
            // Jobs whose worker died before starting them, and no process left
            // to take them again.
            sent_job job = std::move(unsent.front());
            unsent.pop_front();
            return std::make_pair(job.ticket, job_result{work(std::move(job.file)).reply, {}});
        }
        if (retry_interrupted([&] { return poll(polled.data(), polled.size(), timeout); }) == 0)
            return std::nullopt;
        std::size_t ready = 0;
        while (ready + 1 < polled.size() && polled[ready].revents == 0)
            ++ready;
        if (auto done = receive_from(indexes[ready]))
            return std::move(*done);
    }
}

std::optional<std::pair<std::size_t, job_result>> worker_pool::send_second_tries()
{
    while (!second_tries.empty()) {
        sent_job job = std::move(second_tries.front());
        second_tries.pop_front();
        // The place this job was kept in the pool is free, unless no process
        // could be started since.
        if (workers.size() < size) {
            if (start_worker(job.file.fd)) {
                if (hand_to(workers.back(), job, job.file.fd))
                    continue;
                bury(workers.size() - 1);
            } else {
                size = workers.size();
            }
        }
        return std::make_pair(job.ticket, std::move(*job.first_try));
    }
    return std::nullopt;
}

std::optional<std::pair<std::size_t, job_result>> worker_pool::receive_from(std::size_t index)
{
    worker& w = workers[index];
    std::optional<sent_job> job;
    std::optional<message> reply;
    try {
        reply = receive_message(w.socket);
    } catch (const std::bad_alloc&) {
        // The reply cannot be held here: the job is lost as if the worker had
        // run out of memory itself, and a fresh worker would not change that.
        kill(w.pid, SIGKILL);
        bury(index, &job);
        return finish(std::move(*job), {std::nullopt, {failure_kind::out_of_memory, 0, {}}},
                      false);
    }
    if (!reply) {
        const worker_end end = bury(index, &job);
        return finish(std::move(*job), {std::nullopt, end.problem}, end.of_a_limit);
    }
    const bool short_of_resources = !reply->empty() && reply->back() == short_mark;
    if (!reply->empty())
        reply->pop_back();
    if (short_of_resources) {
        // The worker ends after such a reply, before any job queued behind.
        bury(index, &job);
    } else {
        job = std::move(w.jobs.front());
        w.jobs.pop_front();
        // The job queued behind starts as soon as the worker has replied.
        note_start(w);
    }
    return finish(std::move(*job), {std::move(reply), {}}, short_of_resources);
}

std::optional<std::pair<std::size_t, job_result>> worker_pool::finish(sent_job job,
                                                                      job_result result,
                                                                      bool may_try_again)
{
    if (may_try_again && !job.first_try && rewind(job.file.fd, job.file_start)) {
        job.first_try = std::move(result);
        second_tries.push_back(std::move(job));
        return std::nullopt;
    }
    return std::make_pair(job.ticket, std::move(result));
}

bool worker_pool::hand_to(worker& w, sent_job& job, int file)
{
    if (!send_message(w.socket, {}, file))
        return false;
    w.jobs.push_back(std::move(job));
    note_start(w);
    return true;
}

void worker_pool::note_start(worker& w)
{
    if (noting_starts && !w.jobs.empty() && !w.jobs.front().started)
        w.jobs.front().started = clock::now();
}

std::optional<worker_pool::clock::time_point> worker_pool::started(std::size_t ticket) const
{
    for (const worker& w : workers)
        if (!w.jobs.empty() && w.jobs.front().ticket == ticket)
            return w.jobs.front().started;
    return std::nullopt;
}

std::size_t worker_pool::busy() const
{
    std::size_t count = unsent.size() + second_tries.size();
    for (const worker& w : workers)
        count += w.jobs.size();
    return count;
}

worker_pool::worker_end worker_pool::bury(std::size_t index, std::optional<sent_job>* first)
{
    close(workers[index].socket);
    const int status = wait_for(workers[index].pid);
    std::list<sent_job> jobs = std::move(workers[index].jobs);
    workers.erase(workers.begin() + static_cast<std::ptrdiff_t>(index));
    if (!jobs.empty()) {
        if (first)
            *first = std::move(jobs.front());
        jobs.pop_front();  // the one it died on
    }
    for (sent_job& job : jobs)
        unsent.push_back(std::move(job));
    return describe_end(status);
}

worker_pool::worker_end worker_pool::describe_end(int status) const
{
    if (WIFEXITED(status) && WEXITSTATUS(status) == out_of_memory_status)
        return {{failure_kind::out_of_memory, 0, {}}, true};
    if (cpu_seconds > 0 && WIFEXITED(status) && WEXITSTATUS(status) == out_of_time_status)
        return {{failure_kind::timed_out, cpu_seconds, {}}, false};
    if (WIFSIGNALED(status)) {
        // SIGXCPU comes at the soft limit of ulimit -t, SIGKILL at its hard
        // limit or from the kernel short of memory: a fresh worker starts
        // afresh with them. A crash (SIGSEGV, SIGABRT) is the page's own and
        // would only come again, at the cost of a second try.
        const int number = WTERMSIG(status);
        return {{failure_kind::killed, number, {}}, number == SIGXCPU || number == SIGKILL};
    }
    return {{failure_kind::exited, WEXITSTATUS(status), {}}, false};
}
