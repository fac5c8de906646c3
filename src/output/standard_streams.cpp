#include "output/standard_streams.hpp"

#include "output/write_all.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

// Occupies a closed descriptor with /dev/null, opened with flags.
void hold_open(int fd, int flags)
{
    if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
        return;
    const int opened = open("/dev/null", flags);
    if (opened >= 0 && opened != fd) {
        dup2(opened, fd);
        close(opened);
    }
}

}

void guard_standard_streams()
{
    hold_open(STDIN_FILENO, O_WRONLY);
    hold_open(STDOUT_FILENO, O_RDONLY);
    hold_open(STDERR_FILENO, O_RDONLY);
}

bool write_standard_output(std::string_view text)
{
    const int error = write_all(STDOUT_FILENO, text);
    if (error != 0)
        report_system_error("cannot write standard output", error);
    return error == 0;
}

bool close_standard_output()
{
    if (close(STDOUT_FILENO) == 0 || errno == EINTR)
        return true;
    report_system_error("cannot write standard output", errno);
    return false;
}

void write_standard_error(std::string_view text)
{
    write_all(STDERR_FILENO, text);
}

void report_system_error(std::string_view subject, int error_number)
{
    std::string line = "vestrel: ";
    line += subject;
    line += ": ";
    line += std::strerror(error_number);
    line += "\n";
    write_standard_error(line);
}
