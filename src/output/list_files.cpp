#include "output/list_files.hpp"

#include "output/write_all.hpp"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

int open_list(const std::string& name, list_open kind)
{
    const int flags = kind == list_open::append ? O_RDWR | O_CREAT | O_APPEND
                                                : O_WRONLY | O_CREAT | O_TRUNC;
    int fd;
    do
        fd = open(name.c_str(), flags | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    return fd;
}


// Closes fd; the first error of the writing, else of the close.
int close_list(int fd, int write_error)
{
    if (close(fd) != 0 && write_error == 0 && errno != EINTR)
        return errno;
    return write_error;
}

}

int write_list_file(const std::string& name, list_open kind, std::string_view text)
{
    const int fd = open_list(name, kind);
    if (fd < 0)
        return errno;
    return close_list(fd, write_all(fd, text));
}

int reset_list_file(const std::string& name, struct stat* file)
{
    const int fd = open_list(name, list_open::truncate);
    if (fd < 0)
        return errno;
    if (file && fstat(fd, file) != 0)
        *file = {};
    return close_list(fd, 0);
}

std::string counter_text(std::size_t index, std::size_t count)
{
    const std::string digits = std::to_string(index);
    const std::size_t width = std::to_string(count).size();
    if (digits.size() >= width)
        return digits;
    return std::string(width - digits.size(), '0') + digits;
}
