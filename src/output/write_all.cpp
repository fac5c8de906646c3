#include "output/write_all.hpp"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace {

// Waits until fd can take more; 0, or the system's error number.
int wait_writable(int fd)
{
    pollfd polled{fd, POLLOUT, 0};
    while (poll(&polled, 1, -1) < 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

}

int write_all(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (const int error = wait_writable(fd))
                return error;
            continue;
        }
        if (written < 0)
            return errno;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}
