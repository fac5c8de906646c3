// Runs jobs in worker processes and hands their results on in the order the
// jobs were added, with the steps added between them kept in their places:
// whatever the number of workers, the handlers and steps run exactly as they
// would if each job ran to its end when it was added.
#pragma once

#include "jobs/worker_pool.hpp"

#include <chrono>
#include <deque>
#include <functional>
#include <memory>

class ordered_run {
public:
    using result_handler = std::function<void(job_result)>;
    using step = std::function<void()>;

    // Up to jobs workers are started as work arrives, each running setup
    // once; one job still runs in a worker of its own, so whatever a job does
    // to its process costs that job alone, and each job may take cpu_seconds
    // of CPU time there (0: no limit). At most twice jobs jobs are running or
    // waiting to be handled at any time, so memory holds no more than that
    // window of results. When no worker process can be started, jobs run in
    // this process when they are added, without a limit of time.
    ordered_run(unsigned jobs, job_function work, std::function<void()> setup = {},
                unsigned cpu_seconds = 0);

    // Runs step once everything added before it has been handled.
    void then(step next);
    // Runs the work with the open file handed over to it, and hands its
    // result to handle once everything added before it has been handled.
    // This process closes its own copy of the file once a worker has one.
    void add(result_handler handle, owned_fd file = {});
    // Waits until everything added so far has been handled.
    void drain();
    // Ends every worker at once and drops what is still waiting; nothing
    // more may be added afterwards.
    void abandon();

    // From now on, calls tick after each result that comes in (and whatever
    // it let be handed on) and at least every period while waiting for one,
    // from this thread: between handlers and steps, never in the middle of
    // one. Without it, waiting has no timeout.
    void wake_every(std::chrono::milliseconds period, step tick);
    // Since when a worker has been working on the oldest job not yet handed
    // on, which everything after it waits for; none when no job waits, it
    // has not started (it waits behind another in its worker, or to be
    // sent again), or before wake_every.
    std::optional<worker_pool::clock::time_point> oldest_job_start() const;

private:
    struct entry {
        step next;                       // a step, or
        result_handler handle;           // a job's handler,
        std::optional<job_result> done;  // with the job's result once it is in
    };

    job_result run_here(owned_fd file) const;
    void collect_one();
    void hand_on_ready();

    job_function work;
    std::size_t window;
    std::unique_ptr<worker_pool> pool;
    std::deque<entry> waiting;
    std::size_t first_ticket = 0;  // the ticket of waiting.front()
    std::size_t jobs_waiting = 0;  // entries of waiting that are jobs
    int wake_period = -1;           // milliseconds; -1 while nothing ticks
    step tick;
};
