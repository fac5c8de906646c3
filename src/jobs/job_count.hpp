// How many inputs a run works on at once.
#pragma once

#include <optional>
#include <string>

// The most jobs a run starts, whatever it is told: each is a process.
inline constexpr unsigned most_jobs = 256;

struct job_count {
    unsigned count = 1;
    // The setting, when it was given but is not a positive integer and so
    // was passed over for the default.
    std::optional<std::string> ignored_setting;
    // The setting, when it is an integer above most_jobs and so was capped.
    std::optional<std::string> capped_setting;
};

// The number of CPUs this process may run on, from 1 to most_jobs.
unsigned available_cpus();

// The job count from a setting such as the value of VESTREL_JOBS (none when
// unset): a positive decimal integer is taken, up to most_jobs (a larger one
// gives most_jobs); anything else gives available_cpus().
job_count choose_job_count(const char* setting);
