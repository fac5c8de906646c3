#include "output/run_output.hpp"

#include "output/standard_streams.hpp"

#include <unistd.h>

run_output::run_output(int mode, bool prefix)
    : mode(mode), prefix(prefix), collective_name(collective_list_name(mode))
{
    for (const int stream : {STDOUT_FILENO, STDERR_FILENO}) {
        struct stat file {};
        if (fstat(stream, &file) == 0 && S_ISREG(file.st_mode))
            own_files.push_back(file);
    }
    if (collective_name.empty())
        return;
    if (const int error = collective.start(collective_name))
        report_file_error(collective_name, error);
}

void run_output::note(std::string_view text)
{
    if (!stdout_failed)
        write_standard_error(text);
}

void run_output::write_input(const std::string& display_name, const input_outcome& outcome)
{
    // Each worker says so once; the run says it once.
    if (!outcome.cache_problem.empty() && !cache_problem_told) {
        cache_problem_told = true;
        note(outcome.cache_problem);
    }
    note(outcome.diagnostics);
    if (!outcome.failure.empty()) {
        report_lost(display_name, outcome.failure);
        return;
    }
    for (const output_piece& piece : results_output(outcome.results, mode, prefix, display_name))
        write_piece(piece);
}

void run_output::report_lost(const std::string& display_name, std::string_view reason)
{
    if (stdout_failed)
        return;
    lost = true;
    std::string line = "vestrel: " + display_name + ": ";
    line += reason;
    line += "\n";
    write_standard_error(line);
}

bool run_output::may_write(std::string_view name) const
{
    return writes_files() && name.size() >= list_suffix.size()
        && name.substr(name.size() - list_suffix.size()) == list_suffix;
}

bool run_output::is_own_output(const struct stat& file) const
{
    for (const struct stat& own : own_files)
        if (file.st_dev == own.st_dev && file.st_ino == own.st_ino)
            return true;
    return collective.is(file);
}

int run_output::finish()
{
    if (const int error = collective.finish())
        report_file_error(collective_name, error);
    if (!stdout_failed && !close_standard_output())
        stdout_failed = true;
    return lost || stdout_failed ? lost_results_status : 0;
}

void run_output::write_piece(const output_piece& piece)
{
    if (stdout_failed)
        return;
    if (piece.file.empty()) {
        if (!write_standard_output(piece.text))
            stdout_failed = true;
        return;
    }
    const int error = piece.file == collective_name
        ? collective.append(piece.text)
        : write_list_file(piece.file, piece.kind, piece.text);
    if (error != 0)
        report_file_error(piece.file, error);
}

void run_output::report_file_error(const std::string& name, int error_number)
{
    lost = true;
    if (failed_files.insert(name).second)
        report_system_error("cannot write " + name, error_number);
}
