// A pool of worker processes, each running one job at a time: a request
// message in, a reply message out. Workers are forked as work arrives, up to
// the pool's size, and end with the pool or with the thread that started
// them, so a killed run leaves none behind. The one worker of a pool of one
// may be handed a job more while busy, which it starts as soon as it has
// replied, without waiting for this process to wake up and send it.
#pragma once

#include "jobs/message_io.hpp"

#include <cstddef>
#include <functional>
#include <list>
#include <optional>
#include <sys/types.h>
#include <utility>

// The work a job does, the same in every worker: its request, and the open
// file that came with it (none when none came).
using job_function = std::function<message(message, owned_fd)>;

// The exit status of a worker whose work ran out of memory.
inline constexpr int out_of_memory_status = 99;

// What one job gave: its reply, or, when its worker died without one, why.
struct job_result {
    std::optional<message> reply;
    // "out of memory", or "could not be processed (killed by signal 9)" and
    // the like; empty with a reply.
    std::string failure;
};

class worker_pool {
public:
    // setup runs once in each new worker, before its first job.
    worker_pool(unsigned size, job_function work, std::function<void()> setup);
    // Lets idle workers end, kills busy ones, and waits for all.
    ~worker_pool();
    worker_pool(const worker_pool&) = delete;
    worker_pool& operator=(const worker_pool&) = delete;

    // Hands the request to an idle worker, with file (when not -1) passed
    // along as an open descriptor of its own, starting a new worker when none
    // is idle and the pool is not full, or else, in a pool of one, queues it
    // behind the worker's one job. False when no worker can take it now: all
    // are busy (the one of a pool of one with a job waiting), or no new
    // process could be started (the pool then shrinks to the workers it has,
    // down to none).
    bool send(std::size_t ticket, const message& request, int file = -1);
    // Waits until one job has finished: its ticket and result. A worker that
    // dies costs the job it was working on; the jobs queued behind it are
    // handed to other workers. Only while busy() > 0.
    std::pair<std::size_t, job_result> wait_any();
    // The jobs handed over and not yet given back by wait_any.
    std::size_t busy() const;

private:
    // A job handed to a worker. Until the worker starts it, this process
    // keeps the request and its own copy of the file, to hand the job to
    // another worker should this one die first.
    struct sent_job {
        std::size_t ticket = 0;
        message request;
        owned_fd file;
    };
    struct worker {
        pid_t pid = -1;
        int socket = -1;
        std::list<sent_job> jobs;  // the one it works on first
        bool gone = false;          // a send failed: it is buried once its end is read
    };

    // Forks a new worker; passed_file is the descriptor on its way to a
    // worker, which the new one does not keep a copy of.
    bool start_worker(int passed_file);
    [[noreturn]] void serve(int socket) const;
    // An idle worker, else a new one, else in a pool of one its worker with a
    // single job; file is the descriptor on its way, as for start_worker.
    std::optional<std::size_t> worker_for_next_job(int file);
    std::pair<std::size_t, job_result> receive_from(std::size_t index);
    // Closes the worker's socket, waits for it to end, and says how it ended;
    // the jobs queued behind the one it died on wait to be sent again.
    std::string bury(std::size_t index);

    std::size_t size;
    job_function work;
    std::function<void()> setup;
    std::vector<worker> workers;
    // Jobs whose worker died before it started them, to be sent again.
    std::list<sent_job> unsent;
};
