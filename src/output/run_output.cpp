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
    if (const failure failed = collective.start(collective_name))
        report_file_failure(collective_name, failed);
}

void run_output::note(std::string_view text)
{
    if (!stdout_failed)
        write_standard_error(text);
}

void run_output::write_results(const std::string& display_name,
                               const std::vector<std::string>& results)
{
    for (const output_piece& piece : results_output(results, mode, prefix, display_name))
        write_piece(piece);
}

void run_output::report_lost(const std::string& display_name, const failure& why)
{
    if (stdout_failed)
        return;
    lost = true;
    report(display_name, why);
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

void run_output::forget_in_worker()
{
    collective.forget();
    forget_standing_line();
}

int run_output::finish()
{
    if (const failure failed = collective.finish())
        report_file_failure(collective_name, failed);
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
    const failure failed = piece.file == collective_name
        ? collective.append(piece.text)
        : write_list_file(piece.file, piece.kind, piece.text);
    if (failed)
        report_file_failure(piece.file, failed);
}

void run_output::report_file_failure(const std::string& name, const failure& why)
{
    lost = true;
    if (failed_files.insert(name).second)
        report("cannot write " + name, why);
}
