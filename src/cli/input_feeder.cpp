#include "cli/input_feeder.hpp"

#include "output/process_input.hpp"

#include <new>
#include <unistd.h>

input_feeder::input_feeder(bool verbose, const input_encoding& encoding, run_output& out,
                           ordered_run& jobs)
    : verbose(verbose), encoding(encoding), out(out), jobs(jobs)
{
}

void input_feeder::feed_argument(const std::string& argument)
{
    settle_before(argument);
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
        settle_before(name);
        feed(name, open_found(name));
    }
}

void input_feeder::feed_standard_input()
{
    try {
        hand_over("stdin", read_whole(STDIN_FILENO, encoding.reads_past_nul));
    } catch (const std::bad_alloc&) {
        report_lost("stdin", "out of memory");
    }
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
    if (out.is_collective_list(file.status)) {
        say("vestrel: " + name + ": input file is also the output\n");
        return;
    }
    std::string text;
    try {
        text = read_whole(file.fd, encoding.reads_past_nul, regular_size(file));
    } catch (const std::bad_alloc&) {
        report_lost(name, "out of memory");
        return;
    }
    file = {};
    hand_over(name, std::move(text));
}

void input_feeder::hand_over(const std::string& name, std::string text)
{
    jobs.add({std::move(text)}, [this, name](job_result result) {
        if (!result.reply) {
            out.report_lost(name, result.failure);
            return;
        }
        try {
            out.write_input(name, unpack_outcome(std::move(*result.reply)));
        } catch (const std::bad_alloc&) {
            out.report_lost(name, "out of memory");
        }
    });
}

void input_feeder::settle_before(const std::string& name)
{
    if (out.may_write(name))
        jobs.drain();
}
