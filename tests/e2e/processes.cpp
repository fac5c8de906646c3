#include "processes.hpp"

#include "shell.hpp"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace e2e {

namespace {

std::string command_line(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// What /proc/PID/stat says of a process.
struct process_state {
    char state = 0;
    pid_t parent = 0;
    unsigned long cpu_ticks = 0;  // user and system time
};

bool state_of(pid_t pid, process_state& seen)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line))
        return false;
    const auto close = line.rfind(')');
    if (close == std::string::npos)
        return false;
    std::istringstream rest(line.substr(close + 2));
    std::string skipped;
    unsigned long user = 0, system = 0;
    rest >> seen.state >> seen.parent;
    for (int field = 5; field <= 13; ++field)
        rest >> skipped;
    rest >> user >> system;
    seen.cpu_ticks = user + system;
    return static_cast<bool>(rest);
}

// Whether any thread of the process is on a CPU: a process that works on a
// thread of its own waits in its main thread meanwhile.
bool any_thread_running(pid_t pid)
{
    std::error_code ignored;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& entry : std::filesystem::directory_iterator(tasks, ignored)) {
        process_state thread;
        if (state_of(std::stoi(entry.path().filename().string()), thread) && thread.state == 'R')
            return true;
    }
    return false;
}

}

std::vector<pid_t> processes_with(const std::string& marker)
{
    std::vector<pid_t> found;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const pid_t pid = std::stoi(name);
        if (pid != getpid() && command_line(pid).find(marker) != std::string::npos)
            found.push_back(pid);
    }
    return found;
}

pid_t wait_for_busy_child_of(const std::string& marker, std::chrono::seconds timeout)
{
    // A third of a second of CPU time at the usual 100 ticks a second: more
    // than any small page takes.
    const unsigned long busy_ticks = 33;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::vector<pid_t> runs = processes_with(marker);
        for (const pid_t pid : runs) {
            process_state seen;
            if (!state_of(pid, seen) || seen.cpu_ticks < busy_ticks || !any_thread_running(pid))
                continue;
            for (const pid_t run : runs)
                if (run == seen.parent)
                    return pid;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 0;
}

std::string run_bash_with_default_sigpipe(const std::string& command)
{
    const auto previous = signal(SIGPIPE, SIG_DFL);
    const shell_output result = run_shell("bash -c " + shell_quote(command));
    signal(SIGPIPE, previous);
    return result.text;
}

}
