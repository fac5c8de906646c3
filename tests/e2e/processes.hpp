// Looking at the processes a run starts, from outside.
#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace e2e {

// The processes, other than this one, whose command line holds marker.
std::vector<pid_t> processes_with(const std::string& marker);

// Waits until a process whose command line holds marker, and whose parent's
// does too (a worker of a run given marker), is running on a CPU and has
// used a third of a second of it, and returns it; 0 when none is seen in
// time.
pid_t wait_for_busy_child_of(const std::string& marker, std::chrono::seconds timeout);

// Runs command with bash, SIGPIPE at its default disposition as in a
// terminal, and returns what it writes on standard output.
std::string run_bash_with_default_sigpipe(const std::string& command);

}
