#include "output/standard_streams.hpp"

#include "platform/system_io.hpp"

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::string_view standard_output_subject = "cannot write standard output";

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
    const failure failed = write_all(STDOUT_FILENO, text);
    if (failed)
        report(standard_output_subject, failed);
    return !failed;
}

bool close_standard_output()
{
    const failure failed = close_file(STDOUT_FILENO);
    if (failed)
        report(standard_output_subject, failed);
    return !failed;
}

void write_standard_error(std::string_view text)
{
    static_cast<void>(write_all(STDERR_FILENO, text));
}

void report(std::string_view subject, const failure& what)
{
    write_standard_error(complaint(subject, what));
}
