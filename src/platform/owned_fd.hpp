// Small owners of the operating system's handles, shared by the rooms that
// work with files and processes.
#pragma once

#include "platform/system_io.hpp"

#include <unistd.h>
#include <utility>

// A file descriptor that the object owns and closes.
class owned_fd {
public:
    owned_fd() = default;
    explicit owned_fd(int fd) : fd(fd) {}
    owned_fd(owned_fd&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
    owned_fd& operator=(owned_fd&& other) noexcept
    {
        if (this != &other) {
            reset();
            fd = std::exchange(other.fd, -1);
        }
        return *this;
    }
    owned_fd(const owned_fd&) = delete;
    owned_fd& operator=(const owned_fd&) = delete;
    ~owned_fd() { reset(); }

    bool is_open() const { return fd >= 0; }

    // Hands the descriptor over: the object no longer closes it.
    int release() { return std::exchange(fd, -1); }

    // Closes the descriptor now, with what close reported.
    failure close_now() { return close_file(std::exchange(fd, -1)); }

    int fd = -1;

private:
    void reset()
    {
        if (fd >= 0)
            ::close(std::exchange(fd, -1));
    }
};
