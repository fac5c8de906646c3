// Everything one run writes, in the order the run hands it over: messages on
// standard error, then for each input its diagnostics and its results in the
// chosen output mode. A failure to write is reported with the file's name and
// the system's reason, once per file, and makes the run end with status 3.
#pragma once

#include "output/output_modes.hpp"
#include "platform/failure.hpp"

#include <set>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

// The exit status of a run that lost results: output that could not be
// written, or inputs that could not be worked on.
inline constexpr int lost_results_status = 3;

class run_output {
public:
    // Starts the list file that every input appends to in this mode (modes
    // 1, 5 and 6), before any input is read: a FIFO is held open for the
    // run, any other file emptied.
    run_output(int mode, bool prefix);

    // Writes text on standard error.
    void note(std::string_view text);
    // Writes one input's results in the output mode, each input's standard
    // output in one write.
    void write_results(const std::string& display_name, const std::vector<std::string>& results);
    // Reports that an input gave no results: "vestrel: NAME: REASON".
    void report_lost(const std::string& display_name, const failure& why);

    // Whether writing the results of earlier inputs may create or change a
    // file of this name.
    bool may_write(std::string_view name) const;
    // Whether the results go to list files at all.
    bool writes_files() const { return writes_list_files(mode); }
    // Whether the file is one this run writes all along: the list file it
    // appends every input to, or the regular file that standard output or
    // standard error is. Reading it would race with the run's own writing.
    bool is_own_output(const struct stat& file) const;

    // Standard output failed: nothing more can reach the user, and the run
    // should stop.
    bool stopped() const { return stdout_failed; }
    // Closes a held FIFO and standard output; then the run's exit status: 0,
    // or lost_results_status.
    int finish();
    // In a worker process forked from the run: lets go of the files the run
    // holds open and of the status line, which only the run itself writes.
    void forget_in_worker();

private:
    void write_piece(const output_piece& piece);
    void report_file_failure(const std::string& name, const failure& why);

    int mode;
    bool prefix;
    bool lost = false;
    bool stdout_failed = false;
    // The regular files that standard output and standard error write to.
    std::vector<struct stat> own_files;
    std::string collective_name;
    collective_list collective;
    std::set<std::string> failed_files;
};
