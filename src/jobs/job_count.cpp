#include "jobs/job_count.hpp"

#include "jobs/decimal_setting.hpp"

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

job_count choose_job_count(const char* setting)
{
    if (!setting)
        return {available_cpus(), std::nullopt, std::nullopt};
    const unsigned count = decimal_setting(setting, most_jobs + 1).value_or(0);
    if (count > most_jobs)
        return {most_jobs, std::nullopt, std::string(setting)};
    if (count > 0)
        return {count, std::nullopt, std::nullopt};
    return {available_cpus(), std::string(setting), std::nullopt};
}
