#include "cli/driver.hpp"
#include "loading/large_stack.hpp"

#include <csignal>

int main(int argc, char** argv)
{
    // Workers are told apart by the status their end leaves, which a SIGCHLD
    // ignored by whoever started the run would throw away.
    std::signal(SIGCHLD, SIG_DFL);
    // The whole run goes on one thread with a large stack, so that the
    // cleaning of deeply nested inputs does not start a thread per input.
    int exit_code = 0;
    run_on_large_stack([&] { exit_code = run_vestrel(argc, argv); });
    return exit_code;
}
