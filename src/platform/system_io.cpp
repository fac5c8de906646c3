#include "platform/system_io.hpp"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Waits until fd can take more.
failure wait_writable(int fd)
{
    pollfd polled{fd, POLLOUT, 0};
    if (retry_interrupted([&] { return poll(&polled, 1, -1); }) < 0)
        return system_failure(errno);
    return {};
}

// Writes text with write_once, which writes some of it or fails with errno.
template <typename WriteOnce>
failure write_with(int fd, std::string_view text, WriteOnce write_once)
{
    while (!text.empty()) {
        const ssize_t written = retry_interrupted([&] { return write_once(text); });
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (failure waited = wait_writable(fd))
                return waited;
            continue;
        }
        if (written < 0)
            return system_failure(errno);
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

}

failure write_all(int fd, std::string_view text)
{
    return write_with(fd, text,
                      [fd](std::string_view rest) { return write(fd, rest.data(), rest.size()); });
}

failure send_all(int fd, std::string_view text)
{
    return write_with(fd, text, [fd](std::string_view rest) {
        const ssize_t sent = send(fd, rest.data(), rest.size(), MSG_NOSIGNAL);
        return sent < 0 && errno == ENOTSOCK ? write(fd, rest.data(), rest.size()) : sent;
    });
}

ssize_t read_some(int fd, char* data, std::size_t size)
{
    return retry_interrupted([&] { return read(fd, data, size); });
}

bool read_exactly(int fd, char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t got = read_some(fd, data, size);
        if (got <= 0)
            return false;
        data += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

bool read_exactly_at(int fd, off_t offset, char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t got = retry_interrupted([&] { return pread(fd, data, size, offset); });
        if (got <= 0)
            return false;
        data += got;
        offset += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

failure close_file(int fd)
{
    if (close(fd) == 0 || errno == EINTR)
        return {};
    return system_failure(errno);
}
