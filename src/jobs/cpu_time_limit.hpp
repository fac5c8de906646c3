// The CPU time one job may take in its worker process: the setting, and the
// timer that holds a worker to it.
#pragma once

#include <ctime>
#include <optional>
#include <string>

// The seconds of CPU time a job may take when nothing says otherwise: far
// more than any real page needs, and still an end to a page that would keep
// a batch waiting for hours.
inline constexpr unsigned default_cpu_seconds = 300;

// The most seconds a setting can ask for; a larger one counts as this many.
inline constexpr unsigned most_cpu_seconds = 1000000000;

// The exit status of a worker whose job used up its CPU time.
inline constexpr int out_of_time_status = 98;

struct cpu_time_limit {
    // 0 for no limit.
    unsigned seconds = default_cpu_seconds;
    // The setting, when it was given but is not a number of seconds and so
    // was passed over for the default.
    std::optional<std::string> ignored_setting;
};

// The limit from a setting such as the value of VESTREL_TIMEOUT (none when
// unset): decimal digits alone give that many seconds, 0 no limit; anything
// else gives the default.
cpu_time_limit choose_cpu_time_limit(const char* setting);

// A timer of the process's CPU time, armed for each job: when a job has used
// up its seconds, the process ends at once with out_of_time_status, whatever
// thread runs it. Made in a worker process only; a SIGXCPU of the caller's
// own limit (ulimit -t) stays apart from it.
class job_cpu_timer {
public:
    // With 0 seconds there is no timer; nor when none can be made (a limit
    // on pending signals), and jobs then run unbounded.
    explicit job_cpu_timer(unsigned seconds);
    ~job_cpu_timer();
    job_cpu_timer(const job_cpu_timer&) = delete;
    job_cpu_timer& operator=(const job_cpu_timer&) = delete;

    // Gives the job that starts now its seconds of CPU time.
    void arm() const;
    // Stops counting, once the job is done.
    void disarm() const;

private:
    void set(unsigned value) const;

    unsigned seconds;
    timer_t timer{};
    bool made = false;
};
