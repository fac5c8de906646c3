#include "output/standard_streams.hpp"

#include "platform/system_io.hpp"

#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// What stands at the foot of standard error, and whether its cursor is at
// the start of a line.
struct standing_line {
    bool at_line_start = true;
    bool standing = false;
    std::string drawing;
    std::string clearing;
};

standing_line line;

// The signals that end the program while a line stands, and what clears it
// then: a copy that a signal handler may read. Its length is 0 while nothing
// stands or the copy is being changed.
constexpr int ending_signals[] = {SIGINT, SIGTERM, SIGPIPE};
bool ending_signals_caught = false;
char clearing_on_signal[standing_clearing_limit];
volatile std::sig_atomic_t clearing_on_signal_length = 0;

// Clears the standing line, then ends the program by the signal as its
// default action would.
void clear_and_end(int number)
{
    const std::sig_atomic_t length = clearing_on_signal_length;
    if (length > 0) {
        const ssize_t written = write(STDERR_FILENO, clearing_on_signal, std::size_t(length));
        static_cast<void>(written);
    }
    signal(number, SIG_DFL);
    raise(number);
}

void set_clearing_on_signal(std::string_view clearing)
{
    clearing_on_signal_length = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (clearing.empty() || clearing.size() > sizeof clearing_on_signal)
        return;
    std::memcpy(clearing_on_signal, clearing.data(), clearing.size());
    std::atomic_signal_fence(std::memory_order_seq_cst);
    clearing_on_signal_length = std::sig_atomic_t(clearing.size());
}

// Catches each ending signal whose action is the default: one that the
// caller ignores stays ignored.
void catch_ending_signals()
{
    if (ending_signals_caught)
        return;
    ending_signals_caught = true;
    for (const int number : ending_signals) {
        struct sigaction action {};
        if (sigaction(number, nullptr, &action) != 0 || action.sa_handler != SIG_DFL)
            continue;
        action.sa_handler = clear_and_end;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(number, &action, nullptr);
    }
}

void release_ending_signals()
{
    if (!ending_signals_caught)
        return;
    ending_signals_caught = false;
    for (const int number : ending_signals) {
        struct sigaction action {};
        if (sigaction(number, nullptr, &action) == 0 && action.sa_handler == clear_and_end)
            signal(number, SIG_DFL);
    }
}

// The line stands no more; nothing is written.
void let_line_go()
{
    line.standing = false;
    set_clearing_on_signal({});
}

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
    if (text.empty())
        return;
    line.at_line_start = text.back() == '\n';
    if (!line.standing) {
        static_cast<void>(write_all(STDERR_FILENO, text));
        return;
    }
    std::string around = line.clearing;
    around += text;
    if (line.at_line_start)
        around += line.drawing;
    else
        let_line_go();
    static_cast<void>(write_all(STDERR_FILENO, around));
}

bool stand_on_standard_error(std::string drawing, std::string clearing)
{
    if (!line.at_line_start)
        return false;
    // What clears the line is in place before the line is drawn.
    line.drawing = std::move(drawing);
    line.clearing = std::move(clearing);
    line.standing = true;
    set_clearing_on_signal(line.clearing);
    catch_ending_signals();
    static_cast<void>(write_all(STDERR_FILENO, line.drawing));
    return true;
}

void take_down_standing_line()
{
    if (line.standing) {
        const std::string clearing = std::move(line.clearing);
        let_line_go();
        static_cast<void>(write_all(STDERR_FILENO, clearing));
    }
    release_ending_signals();
}

void forget_standing_line()
{
    let_line_go();
    release_ending_signals();
}

void report(std::string_view subject, const failure& what)
{
    write_standard_error(complaint(subject, what));
}
