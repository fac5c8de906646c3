#include "jobs/job_count.hpp"

#include <algorithm>
#include <sched.h>

unsigned available_cpus()
{
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (sched_getaffinity(0, sizeof cpus, &cpus) != 0)
        return 1;
    return static_cast<unsigned>(std::clamp(CPU_COUNT(&cpus), 1, int(most_jobs)));
}

namespace {

// The value of a text of decimal digits alone, saturating at most_jobs + 1;
// 0 for anything else.
unsigned positive_count(const std::string& text)
{
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    unsigned value = 0;
    for (const char c : text) {
        value = std::min(value * 10 + unsigned(c - '0'), most_jobs + 1);
    }
    return value;
}

}

job_count choose_job_count(const char* setting)
{
    if (!setting)
        return {available_cpus(), std::nullopt, std::nullopt};
    const unsigned count = positive_count(setting);
    if (count > most_jobs)
        return {most_jobs, std::nullopt, std::string(setting)};
    if (count > 0)
        return {count, std::nullopt, std::nullopt};
    return {available_cpus(), std::string(setting), std::nullopt};
}
