#include "jobs/cpu_time_limit.hpp"

#include "jobs/decimal_setting.hpp"

#include <csignal>
#include <unistd.h>

namespace {

// The timer's signal: one that nothing else in a worker uses.
constexpr int timer_signal = SIGVTALRM;

// Ends the process when the timer fired; the same signal from anyone else
// does what it does by default.
void on_timer_signal(int signal_number, siginfo_t* info, void*)
{
    if (info->si_code == SI_TIMER)
        _exit(out_of_time_status);
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

}

cpu_time_limit choose_cpu_time_limit(const char* setting)
{
    if (!setting)
        return {};
    if (const std::optional<unsigned> seconds = decimal_setting(setting, most_cpu_seconds))
        return {*seconds, std::nullopt};
    return {default_cpu_seconds, std::string(setting)};
}

job_cpu_timer::job_cpu_timer(unsigned seconds) : seconds(seconds)
{
    if (seconds == 0)
        return;
    struct sigaction action {};
    action.sa_sigaction = on_timer_signal;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    if (sigaction(timer_signal, &action, nullptr) != 0)
        return;
    sigevent event{};
    event.sigev_notify = SIGEV_SIGNAL;
    event.sigev_signo = timer_signal;
    made = timer_create(CLOCK_PROCESS_CPUTIME_ID, &event, &timer) == 0;
}

job_cpu_timer::~job_cpu_timer()
{
    if (made)
        timer_delete(timer);
}

void job_cpu_timer::arm() const
{
    set(seconds);
}

void job_cpu_timer::disarm() const
{
    set(0);
}

void job_cpu_timer::set(unsigned value) const
{
    if (!made)
        return;
    itimerspec expiry{};
    expiry.it_value.tv_sec = time_t(value);
    timer_settime(timer, 0, &expiry, nullptr);
}
