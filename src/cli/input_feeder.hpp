// Feeds a run its inputs in command-line order: each file argument resolved
// when its turn comes, each input opened once and handed, open, to the jobs,
// which read it, and every message of the driver kept in its place among the
// inputs' results.
#pragma once

#include "cli/inputs.hpp"
#include "jobs/ordered_run.hpp"
#include "output/run_output.hpp"
#include "output/status_line.hpp"
#include "processing/process_input.hpp"

#include <deque>
#include <string>
#include <vector>

class input_feeder {
public:
    // cache_subject names the cache in what is said of it ("cache DIR").
    input_feeder(bool verbose, std::string cache_subject, run_output& out, ordered_run& jobs);

    // Feeds the file arguments one after another, until standard output
    // fails.
    void feed_arguments(const std::vector<std::string>& arguments);
    // Feeds standard input, under the name "stdin".
    void feed_standard_input();

    // How far the run has come: the inputs found and those done (written,
    // reported or passed over), the results written, and the oldest input
    // not yet written.
    run_progress progress() const;

private:
    // Resolves one file argument and feeds what it names: the file itself
    // when it opens, otherwise the entries of the current directory that it
    // matches as a pattern.
    void feed_argument(const std::string& argument);
    // Writes text on standard error once everything before it is written.
    void say(std::string text);
    // Reports that an input is lost, once everything before it is written.
    void report_lost(const std::string& name, failure why);
    void feed(const std::string& name, input_file file);
    // Hands the open input to a job, which reads it.
    void hand_over(const std::string& name, owned_fd file);
    // Writes what the work on one input gave, in its place.
    void write_outcome(const std::string& name, const input_outcome& outcome);
    // Writes everything before a name given on the command line that must
    // not be opened before: what the results of earlier inputs write can
    // change what it holds, and a FIFO or a device may have a writer that
    // waits for them.
    void settle_before(const std::string& name);
    // Whether the target is a symbolic link that reaches a list file, or
    // reaches nothing yet (earlier results may create it).
    bool reaches_a_list_file(const name_target& target) const;

    bool verbose;
    std::string cache_subject;
    bool cache_problem_told = false;
    run_output& out;
    ordered_run& jobs;
    // The counts of progress(), but for the arguments left and the oldest
    // input.
    run_progress counted;
    std::size_t arguments_left = 0;
    // The names of the inputs handed to the jobs and not yet written, oldest
    // first.
    std::deque<std::string> in_works;
};
