#include "output/list_files.hpp"

#include "platform/system_io.hpp"

#include <fcntl.h>
#include <unistd.h>

namespace {

// Opens without waiting for a FIFO's reader, then makes writes wait again,
// so that a reader gets everything; -1 with errno on failure.
int open_list(const std::string& name, list_open kind)
{
    const int flags = O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC
        | (kind == list_open::append ? O_APPEND : O_TRUNC);
    const int fd = retry_interrupted([&] { return open(name.c_str(), flags, 0666); });
    if (fd >= 0)
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// Closes fd; the failure of the writing, else of the close.
failure close_list(int fd, failure writing)
{
    failure closing = close_file(fd);
    return writing ? writing : closing;
}

}

failure write_list_file(const std::string& name, list_open kind, std::string_view text)
{
    const int fd = open_list(name, kind);
    if (fd < 0)
        return system_failure(errno);
    return close_list(fd, write_all(fd, text));
}

collective_list::~collective_list()
{
    static_cast<void>(finish());
}

failure collective_list::start(const std::string& list_name)
{
    name = list_name;
    const int fd = open_list(name, list_open::truncate);
    if (fd < 0) {
        start_failure = system_failure(errno);
        return start_failure;
    }
    started = true;
    if (fstat(fd, &identity) != 0)
        identity = {};
    if (S_ISFIFO(identity.st_mode)) {
        held = fd;
        return {};
    }
    start_failure = close_list(fd, {});
    return start_failure;
}

failure collective_list::append(std::string_view text)
{
    if (start_failure)
        return start_failure;
    if (held >= 0)
        return write_all(held, text);
    return write_list_file(name, list_open::append, text);
}

bool collective_list::is(const struct stat& file) const
{
    return started && !start_failure && file.st_dev == identity.st_dev
        && file.st_ino == identity.st_ino;
}

failure collective_list::finish()
{
    if (held < 0)
        return {};
    const failure closing = close_file(held);
    held = -1;
    return closing;
}

void collective_list::forget()
{
    if (held >= 0)
        close(held);
    held = -1;
}

std::string counter_text(std::size_t index, std::size_t count)
{
    const std::string digits = std::to_string(index);
    const std::size_t width = std::to_string(count).size();
    if (digits.size() >= width)
        return digits;
    return std::string(width - digits.size(), '0') + digits;
}
