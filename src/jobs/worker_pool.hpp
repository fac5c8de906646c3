// A pool of worker processes, each running one job at a time: an open file
// in, a reply message out. Workers are forked as work arrives, up to
// the pool's size, and end with the pool or with the thread that started
// them, so a killed run leaves none behind. The one worker of a pool of one
// may be handed a job more while busy, which it starts as soon as it has
// replied, without waiting for this process to wake up and send it.
//
// A worker takes job after job, so limits the caller puts on each process
// (ulimit -v, ulimit -t) add up over them. Under a memory limit each job
// runs on a thread of its own, and the worker gives its memory back to the
// system when the thread has ended; a job whose worker died of a limit, or
// that says it ran short of memory, is tried once more in a fresh worker
// before it fails.
#pragma once

#include "jobs/cpu_time_limit.hpp"
#include "jobs/message_io.hpp"

#include <chrono>
#include <cstddef>
#include <functional>
#include <list>
#include <optional>
#include <sys/types.h>
#include <utility>

// What the work of one job gives back.
struct work_reply {
    work_reply(message reply = {}, bool short_of_resources = false)
        : reply(std::move(reply)), short_of_resources(short_of_resources)
    {
    }

    message reply;
    // The work could not be done for want of memory or another resource that
    // the jobs before it in the same process may have used up: a fresh
    // process may well do it. The worker ends after such a reply.
    bool short_of_resources = false;
};

// The work a job does, the same in every worker: the open file that came
// with it (none when none came).
using job_function = std::function<work_reply(owned_fd)>;

// The exit status of a worker whose work ran out of memory.
inline constexpr int out_of_memory_status = 99;

// What one job gave: its reply, or, when its worker died without one, why:
// out of memory, out of its CPU time, killed by a signal or ended early.
struct job_result {
    std::optional<message> reply;
    failure problem;
};

class worker_pool {
public:
    // setup runs once in each new worker, before its first job; each job may
    // take cpu_seconds of CPU time in its worker (0: no limit).
    worker_pool(unsigned size, job_function work, std::function<void()> setup,
                unsigned cpu_seconds = 0);
    // Lets idle workers end, kills busy ones, and waits for all.
    ~worker_pool();
    worker_pool(const worker_pool&) = delete;
    worker_pool& operator=(const worker_pool&) = delete;

    // Hands a job to an idle worker, with file (when not -1) passed along as
    // an open descriptor of its own, starting a new worker when none
    // is idle and the pool is not full, or else, in a pool of one, queues it
    // behind the worker's one job. False when no worker can take it now: all
    // are busy (the one of a pool of one with a job waiting), or no new
    // process could be started (the pool then shrinks to the workers it has,
    // down to none).
    bool send(std::size_t ticket, int file = -1);
    // Waits until one job has finished: its ticket and result. A worker that
    // dies costs the job it was working on, unless a second try in a fresh
    // worker does it; the jobs queued behind it are handed to other workers.
    // With a timeout (milliseconds; -1 waits for as long as it takes), none
    // when no job finished within it. Only while busy() > 0.
    std::optional<std::pair<std::size_t, job_result>> wait_any(int timeout = -1);
    // The jobs handed over and not yet given back by wait_any.
    std::size_t busy() const;

    using clock = std::chrono::steady_clock;
    // From now on, notes when each job starts in its worker: one clock read
    // per job, which a pool that nobody asks does without.
    void note_start_times() { noting_starts = true; }
    // Since when a worker has been working on the job: none when the job
    // waits behind another, waits to be sent again, or start times are not
    // noted. A job tried again counts from its second start.
    std::optional<clock::time_point> started(std::size_t ticket) const;

private:
    // A job handed to a worker. Until it is given back, this process keeps
    // its own copy of the file, to hand the job to another worker should this
    // one die first, or to try it again.
    struct sent_job {
        std::size_t ticket = 0;
        owned_fd file;
        // Where the job began reading its file (0 when it came with none);
        // -1 when the file cannot be read again from there: a pipe, a
        // terminal, or one this process could keep no copy of.
        off_t file_start = -1;
        // What the first try gave, once it failed and the job is tried again.
        std::optional<job_result> first_try;
        // When its worker took it up, when start times are noted.
        std::optional<clock::time_point> started;
    };
    struct worker {
        pid_t pid = -1;
        int socket = -1;
        std::list<sent_job> jobs;  // the one it works on first
        bool gone = false;          // a send failed: it is buried once its end is read
    };
    // How a worker ended.
    struct worker_end {
        failure problem;
        // It died of a limit that a fresh worker starts afresh with: memory,
        // or a signal that a limit of the caller sends (SIGXCPU, SIGKILL).
        bool of_a_limit = false;
    };

    // Sends the job to the worker, with file, and queues it there; false,
    // with the job left as it was, when the worker cannot be reached.
    bool hand_to(worker& w, sent_job& job, int file);
    // Notes that the first job of the worker starts now.
    void note_start(worker& w);
    // Forks a new worker; passed_file is the descriptor on its way to a
    // worker, which the new one does not keep a copy of.
    bool start_worker(int passed_file);
    [[noreturn]] void serve(int socket) const;
    // Receives one job, works on it and replies; false when the worker
    // is to end: the run is done with it, or its job ran short of resources.
    bool serve_one(int socket, const job_cpu_timer& timer) const;
    // An idle worker, else a new one, else in a pool of one its worker with a
    // single job; file is the descriptor on its way, as for start_worker.
    std::optional<std::size_t> worker_for_next_job(int file);
    // Hands each job to be tried again to a fresh worker; the result of the
    // first try of one that cannot be.
    std::optional<std::pair<std::size_t, job_result>> send_second_tries();
    // The result of the worker's first job, or none when the job is to be
    // tried again.
    std::optional<std::pair<std::size_t, job_result>> receive_from(std::size_t index);
    // The job's result, or none when it failed for the first time in a way a
    // fresh worker may mend and its file can be read again: it then waits in
    // second_tries.
    std::optional<std::pair<std::size_t, job_result>> finish(sent_job job, job_result result,
                                                             bool may_try_again);
    // Closes the worker's socket, waits for it to end, and says how it ended;
    // the jobs queued behind the one it died on wait to be sent again, and
    // that one is returned, when it had one.
    worker_end bury(std::size_t index, std::optional<sent_job>* first = nullptr);
    worker_end describe_end(int status) const;

    std::size_t size;
    job_function work;
    std::function<void()> setup;
    unsigned cpu_seconds;
    std::vector<worker> workers;
    // Jobs whose worker died before it started them, to be sent again.
    std::list<sent_job> unsent;
    // Jobs to be tried once more, each in a worker that has done nothing
    // else; a place in the pool is kept for each.
    std::list<sent_job> second_tries;
    bool noting_starts = false;
};
