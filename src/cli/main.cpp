#include "cli/driver.hpp"

#include <csignal>
#include <malloc.h>

int main(int argc, char** argv)
{
    // Workers are told apart by the status their end leaves, which a SIGCHLD
    // ignored by whoever started the run would throw away.
    std::signal(SIGCHLD, SIG_DFL);
    // A file-size limit (ulimit -f) would kill the run, or the worker that
    // stores a cache entry, in the middle of a write and without a word;
    // ignored, it makes that write fail with EFBIG, which is reported as any
    // other write error and lets the run go on. Workers inherit it.
    std::signal(SIGXFSZ, SIG_IGN);
    // Tidy runs on a thread of its own for a deep page, never beside another
    // thread; one malloc arena for all of them spares each such thread an
    // arena of its own, which reserves 64 MiB of address space at once.
    mallopt(M_ARENA_MAX, 1);
    return run_vestrel(argc, argv);
}
