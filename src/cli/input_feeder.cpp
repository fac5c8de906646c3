#include "cli/input_feeder.hpp"

#include "output/process_input.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

input_feeder::input_feeder(bool verbose, const input_encoding& encoding, run_output& out,
                           ordered_run& jobs)
    : verbose(verbose), encoding(encoding), out(out), jobs(jobs)
{
}

void input_feeder::feed_argument(const std::string& argument)
{
    settle_before(argument, true);
    if (input_file file = open_argument(argument); file.is_open()) {
        feed(argument, std::move(file));
        return;
    }
    // A pattern sees the directory as the results before it left it.
    if (out.writes_files())
        jobs.drain();
    const std::vector<std::string> names = matching_entries(argument);
    std::string resolved;
    if (verbose)
        for (const std::string& name : names)
            resolved += argument + " -> " + name + "\n";
    if (names.empty())
        resolved += "File " + argument + " was not found!\n";
    say(std::move(resolved));
    for (const std::string& name : names) {
        if (out.stopped())
            return;
        settle_before(name, false);
        feed(name, open_found(name));
    }
}

void input_feeder::feed_standard_input()
{
    // A copy of its own goes to the job, so standard input stays open here.
    owned_fd copy(fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3));
    if (copy.get() < 0) {
        report_lost("stdin", std::string("cannot read: ") + std::strerror(errno));
        return;
    }
    hand_over("stdin", std::move(copy));
}

void input_feeder::say(std::string text)
{
    if (!text.empty())
        jobs.then([this, text = std::move(text)] { out.note(text); });
}

void input_feeder::report_lost(const std::string& name, std::string reason)
{
    jobs.then([this, name, reason = std::move(reason)] { out.report_lost(name, reason); });
}

void input_feeder::feed(const std::string& name, input_file file)
{
    if (verbose)
        say("**** Loading: " + name + "\n");
    if (!file.is_open() || file.is_directory())
        return;
    if (out.is_own_output(file.status)) {
        say("vestrel: " + name + ": input file is also the output\n");
        return;
    }
    hand_over(name, owned_fd(std::exchange(file.fd, -1)));
}

void input_feeder::hand_over(const std::string& name, owned_fd file)
{
    jobs.add({}, [this, name](job_result result) {
        if (!result.reply) {
            out.report_lost(name, result.failure);
            return;
        }
        try {
            out.write_input(name, unpack_outcome(std::move(*result.reply)));
        } catch (const std::bad_alloc&) {
            out.report_lost(name, "out of memory");
        }
    }, std::move(file));
}

input_outcome read_and_process(const input_settings& settings, int fd)
{
    input_outcome outcome;
    try {
        struct stat status {};
        const std::size_t size =
            fstat(fd, &status) == 0 && S_ISREG(status.st_mode) ? std::size_t(status.st_size) : 0;
        const input_text input = read_whole(fd, settings.encoding.reads_past_nul, size);
        if (input.error != 0) {
            outcome.failure = std::string("cannot read: ") + std::strerror(input.error);
            return outcome;
        }
        return process_input(settings, input.text);
    } catch (const std::bad_alloc&) {
        outcome.failure = "out of memory";
    }
    return outcome;
}

void input_feeder::settle_before(const std::string& name, bool named)
{
    if (waits_for_earlier_results(name, named))
        jobs.drain();
}

bool input_feeder::waits_for_earlier_results(const std::string& name, bool named) const
{
    // A name that the results may write is read as they leave it.
    if (out.may_write(name))
        return true;
    const bool writes_files = out.writes_files();
    if (!named && !writes_files)
        return false;
    const name_target target = look_up(name);
    // Opening a FIFO or a device may wait for a writer that waits for the
    // results before it.
    if (named && target.exists && !S_ISREG(target.status.st_mode))
        return true;
    if (!writes_files)
        return false;
    // The same file as a list file under another name: a symbolic link that
    // reaches one, or may once the results are written, or a hard link.
    if (target.is_link && (!target.exists || out.may_write(target.real_name)))
        return true;
    return target.exists && S_ISREG(target.status.st_mode) && target.status.st_nlink > 1;
}
