#include "jobs/worker_pool.hpp"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int wait_for(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

std::string describe_end(int status)
{
    if (WIFEXITED(status) && WEXITSTATUS(status) == out_of_memory_status)
        return "out of memory";
    if (WIFSIGNALED(status))
        return "could not be processed (killed by signal " + std::to_string(WTERMSIG(status)) + ")";
    return "could not be processed (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
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

}

worker_pool::worker_pool(unsigned size, job_function work, std::function<void()> setup)
    : size(size), work(std::move(work)), setup(std::move(setup))
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
        for (const sent_job& job : unsent)
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
    try {
        for (;;) {
            owned_fd file;
            auto request = receive_message(socket, &file);
            if (!request || !send_message(socket, work(std::move(*request), std::move(file))))
                break;
        }
    } catch (const std::bad_alloc&) {
        _exit(out_of_memory_status);
    }
    // Never returns into the run's code, and never runs its exit handlers
    // or flushes its buffers a second time.
    _exit(0);
}

std::optional<std::size_t> worker_pool::worker_for_next_job(int file)
{
    for (std::size_t i = 0; i < workers.size(); ++i) {
        if (!workers[i].gone && workers[i].jobs.empty())
            return i;
    }
    if (workers.size() < size) {
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

bool worker_pool::send(std::size_t ticket, const message& request, int file)
{
    for (;;) {
        const std::optional<std::size_t> index = worker_for_next_job(file);
        if (!index)
            return false;
        worker& chosen = workers[*index];
        sent_job job{ticket, {}, {}};
        if (!chosen.jobs.empty()) {
            job.request = request;
            if (file >= 0 && !(job.file = owned_fd(fcntl(file, F_DUPFD_CLOEXEC, 0))).is_open())
                return false;
        }
        if (send_message(chosen.socket, request, file)) {
            chosen.jobs.push_back(std::move(job));
            return true;
        }
        if (chosen.jobs.empty())
            bury(*index);  // it died while idle, so no job is lost with it
        else
            chosen.gone = true;  // its end is read, and its jobs told, by wait_any
    }
}

std::pair<std::size_t, job_result> worker_pool::wait_any()
{
    while (!unsent.empty() && send(unsent.front().ticket, unsent.front().request,
                                   unsent.front().file.fd))
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
        return {job.ticket, {work(std::move(job.request), std::move(job.file)), {}}};
    }
    while (poll(polled.data(), polled.size(), -1) < 0 && errno == EINTR) {
    }
    std::size_t ready = 0;
    while (ready + 1 < polled.size() && polled[ready].revents == 0)
        ++ready;
    return receive_from(indexes[ready]);
}

std::pair<std::size_t, job_result> worker_pool::receive_from(std::size_t index)
{
    worker& w = workers[index];
    const std::size_t ticket = w.jobs.front().ticket;
    try {
        if (auto reply = receive_message(w.socket)) {
            w.jobs.pop_front();
            // The worker goes on with the next job now: should it die, that
            // job is the one it died on.
            if (!w.jobs.empty())
                w.jobs.front() = {w.jobs.front().ticket, {}, {}};
            return {ticket, {std::move(reply), {}}};
        }
    } catch (const std::bad_alloc&) {
        // The reply cannot be held: the job is lost as if the worker had run
        // out of memory itself.
        kill(w.pid, SIGKILL);
        bury(index);
        return {ticket, {std::nullopt, "out of memory"}};
    }
    return {ticket, {std::nullopt, bury(index)}};
}

std::size_t worker_pool::busy() const
{
    std::size_t count = unsent.size();
    for (const worker& w : workers)
        count += w.jobs.size();
    return count;
}

std::string worker_pool::bury(std::size_t index)
{
    close(workers[index].socket);
    const int status = wait_for(workers[index].pid);
    std::list<sent_job> jobs = std::move(workers[index].jobs);
    workers.erase(workers.begin() + static_cast<std::ptrdiff_t>(index));
    if (!jobs.empty())
        jobs.pop_front();  // the one it died on
    for (sent_job& job : jobs)
        unsent.push_back(std::move(job));
    return describe_end(status);
}
