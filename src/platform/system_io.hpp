// The program's one way of moving bytes through the system: every read and
// write of a file, pipe or socket goes through these, which resume after
// short transfers and after a signal interrupts a call (EINTR), so that no
// caller retries by itself.
#pragma once

#include "platform/failure.hpp"

#include <cerrno>
#include <cstddef>
#include <string_view>
#include <sys/types.h>

// Calls call() again for as long as it fails with EINTR: a signal arrived
// before the call did anything. For calls that return -1 on failure.
template <typename Call>
auto retry_interrupted(Call call)
{
    auto result = call();
    while (result < 0 && errno == EINTR)
        result = call();
    return result;
}

// Writes all of text. On a descriptor left non-blocking (a pipe whose reader
// is slow) it waits until more can be written and goes on. A broken pipe
// raises SIGPIPE, as for any writer; with SIGPIPE ignored it fails with
// EPIPE.
failure write_all(int fd, std::string_view text);

// Writes all of text to a socket whose peer may be gone: that fails with
// EPIPE instead of raising SIGPIPE. A descriptor that is no socket is
// written as write_all writes it.
failure send_all(int fd, std::string_view text);

// One read of at most size bytes: the count, 0 at the end of input, or -1
// with errno set.
ssize_t read_some(int fd, char* data, std::size_t size);

// Reads exactly size bytes, from the file's position or, with an offset, from
// there without moving it; false when the input ends first or a read fails.
bool read_exactly(int fd, char* data, std::size_t size);
bool read_exactly_at(int fd, off_t offset, char* data, std::size_t size);

// Closes fd; a close interrupted by a signal has closed it all the same.
// The error that close reports (a write error held back until then, as on
// NFS) comes back as a failure.
failure close_file(int fd);
