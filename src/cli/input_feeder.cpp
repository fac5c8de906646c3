#include "cli/input_feeder.hpp"

#include "processing/process_input.hpp"

#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

input_feeder::input_feeder(bool verbose, std::string cache_subject, run_output& out,
                           ordered_run& jobs)
    : verbose(verbose), cache_subject(std::move(cache_subject)), out(out), jobs(jobs)
{
}

void input_feeder::feed_arguments(const std::vector<std::string>& arguments)
{
    arguments_left = arguments.size();
    for (const std::string& argument : arguments) {
        if (out.stopped())
            break;
        --arguments_left;
        feed_argument(argument);
    }
}

run_progress input_feeder::progress() const
{
    run_progress now = counted;
    now.inputs_known += arguments_left;
    now.more_may_come = arguments_left > 0;
    if (!in_works.empty()) {
        now.oldest_name = in_works.front();
        now.oldest_since = jobs.oldest_job_start();
    }
    return now;
}

void input_feeder::feed_argument(const std::string& argument)
{
    settle_before(argument);
    if (input_file file = open_argument(argument); file.is_open()) {
        ++counted.inputs_known;
        feed(argument, std::move(file));
        return;
    }
    // A pattern sees the directory as the results before it left it.
    if (out.writes_files())
        jobs.drain();
    const std::vector<directory_entry> entries = matching_entries(argument);
    std::string resolved;
    if (verbose)
        for (const directory_entry& entry : entries)
            resolved += argument + " -> " + entry.name + "\n";
    if (entries.empty())
        resolved += "File " + argument + " was not found!\n";
    say(std::move(resolved));
    counted.inputs_known += entries.size();
    for (const directory_entry& entry : entries) {
        if (out.stopped())
            return;
        // A pattern opens regular files only, which opening leaves as they
        // are: only a link needs looking at first.
        if (out.may_write(entry.name)
            || (!entry.known_not_link && out.writes_files() && reaches_a_list_file(look_up(entry.name))))
            jobs.drain();
        feed(entry.name, open_found(entry.name));
    }
}

void input_feeder::feed_standard_input()
{
    counted.inputs_known = 1;
    // A copy of its own goes to the job, so standard input stays open here.
    owned_fd copy(fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3));
    if (!copy.is_open()) {
        report_lost("stdin", {failure_kind::cannot_read, errno, {}});
        return;
    }
    hand_over("stdin", std::move(copy));
}

void input_feeder::say(std::string text)
{
    if (!text.empty())
        jobs.then([this, text = std::move(text)] { out.note(text); });
}

void input_feeder::report_lost(const std::string& name, failure why)
{
    jobs.then([this, name, why = std::move(why)] { out.report_lost(name, why); });
}

void input_feeder::feed(const std::string& name, input_file file)
{
    if (verbose)
        say("**** Loading: " + name + "\n");
    if (!file.is_open() || file.is_directory()) {
        ++counted.inputs_done;
        return;
    }
    if (out.is_own_output(file.status)) {
        ++counted.inputs_done;
        say(complaint(name, {failure_kind::own_output, 0, {}}));
        return;
    }
    // Another name of the file may be a list file: what it holds is read
    // once the results before it are written, which opening it has not
    // changed.
    if (out.writes_files() && S_ISREG(file.status.st_mode) && file.status.st_nlink > 1)
        jobs.drain();
    hand_over(name, std::move(file.file));
}

void input_feeder::hand_over(const std::string& name, owned_fd file)
{
    in_works.push_back(name);
    jobs.add([this, name](job_result result) {
        in_works.pop_front();
        ++counted.inputs_done;
        if (!result.reply) {
            out.report_lost(name, result.problem);
            return;
        }
        try {
            write_outcome(name, unpack_outcome(std::move(*result.reply)));
        } catch (const std::bad_alloc&) {
            out.report_lost(name, {failure_kind::out_of_memory, 0, {}});
        }
    }, std::move(file));
}

void input_feeder::write_outcome(const std::string& name, const input_outcome& outcome)
{
    // Each worker says so once; the run says it once.
    if (outcome.cache_problem && !cache_problem_told) {
        cache_problem_told = true;
        out.note(complaint(cache_subject, outcome.cache_problem));
    }
    out.note(outcome.diagnostics);
    if (outcome.problem) {
        out.report_lost(name, outcome.problem);
    } else {
        counted.results += outcome.results.size();
        out.write_results(name, outcome.results);
    }
}

void input_feeder::settle_before(const std::string& name)
{
    if (out.may_write(name)) {
        jobs.drain();
        return;
    }
    const name_target target = look_up(name);
    // Opening a FIFO or a device may wait for a writer that waits for the
    // results before it.
    if ((target.exists && !S_ISREG(target.status.st_mode))
        || (out.writes_files() && reaches_a_list_file(target)))
        jobs.drain();
}

bool input_feeder::reaches_a_list_file(const name_target& target) const
{
    // A symbolic link that reaches a list file, or may once the results are
    // written.
    return target.is_link && (!target.exists || out.may_write(target.real_name));
}
