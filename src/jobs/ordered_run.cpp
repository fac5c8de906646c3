#include "jobs/ordered_run.hpp"

#include <algorithm>

ordered_run::ordered_run(unsigned jobs, job_function work, std::function<void()> setup,
                         unsigned cpu_seconds)
    : work(std::move(work)), window(2 * std::size_t(std::max(jobs, 1u))),
      pool(std::make_unique<worker_pool>(std::max(jobs, 1u), this->work, std::move(setup),
                                         cpu_seconds))
{
}

job_result ordered_run::run_here(owned_fd file) const
{
    return {work(std::move(file)).reply, {}};
}

void ordered_run::then(step next)
{
    if (waiting.empty()) {
        next();
        return;
    }
    waiting.push_back({std::move(next), {}, std::nullopt});
}

void ordered_run::add(result_handler handle, owned_fd file)
{
    while (jobs_waiting >= window && pool->busy() > 0)
        collect_one();
    const std::size_t ticket = first_ticket + waiting.size();
    waiting.push_back({{}, std::move(handle), std::nullopt});
    ++jobs_waiting;
    while (!pool->send(ticket, file.fd)) {
        if (pool->busy() == 0) {
            // No worker could be started at all.
            waiting.back().done = run_here(std::move(file));
            break;
        }
        collect_one();
    }
    file = {};
    hand_on_ready();
}

void ordered_run::drain()
{
    while (!waiting.empty())
        collect_one();
}

void ordered_run::abandon()
{
    pool.reset();
    waiting.clear();
    jobs_waiting = 0;
}

void ordered_run::wake_every(std::chrono::milliseconds period, step tick_with)
{
    wake_period = int(std::clamp<std::chrono::milliseconds::rep>(period.count(), 1, 60000));
    tick = std::move(tick_with);
    pool->note_start_times();
}

std::optional<worker_pool::clock::time_point> ordered_run::oldest_job_start() const
{
    // Steps are run as soon as they reach the front, so the front is a job.
    if (!pool || waiting.empty())
        return std::nullopt;
    return pool->started(first_ticket);
}

void ordered_run::collect_one()
{
    auto done = pool->wait_any(wake_period);
    for (; !done; done = pool->wait_any(wake_period))
        tick();
    auto& [ticket, result] = *done;
    waiting[ticket - first_ticket].done = std::move(result);
    hand_on_ready();
    if (tick)
        tick();
}

void ordered_run::hand_on_ready()
{
    while (!waiting.empty() && (waiting.front().next || waiting.front().done)) {
        entry ready = std::move(waiting.front());
        waiting.pop_front();
        ++first_ticket;
        if (ready.next) {
            ready.next();
        } else {
            --jobs_waiting;
            ready.handle(std::move(*ready.done));
        }
    }
}
