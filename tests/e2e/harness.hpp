// Runs the built vestrel binary in a scratch directory and captures what it
// did: standard output, standard error, exit status and the files it left.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;

struct run_result {
    int exit_code = -1;     // exit status, or 128 + signal number
    bool timed_out = false;
    std::string out;
    std::string err;
};

// A fresh temporary working directory, removed with everything in it when the
// object goes away.
class scratch_dir {
public:
    scratch_dir();
    ~scratch_dir();
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;

    // Writes a file (creating parent directories) relative to the directory.
    void write(const std::string& name, const std::string& content) const;
    // Whole content of a file relative to the directory; empty when missing.
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;
    // Every regular file below the directory, relative and sorted, mapped to
    // its content.
    std::map<std::string, std::string> files() const;

    fs::path path;
};

// Standard error on a pseudo-terminal, in raw mode, so that run_result.err
// holds the bytes the program wrote there, as they are.
struct terminal_options {
    unsigned short columns = 80;
    // Standard output goes to the same terminal, and into err with the rest.
    bool standard_output_too = false;
    // TERM for the program; unset without it.
    std::optional<std::string> term;
    // Once err holds this text, the program is sent SIGINT, as a key press
    // of Ctrl-C would send it.
    std::optional<std::string> interrupt_when_shown;
    // The terminal is the program's controlling terminal, and the program
    // runs in a process group of its own in its background, as a shell's
    // "vestrel ... &" does.
    bool in_the_background = false;
};

// How vestrel is run, beyond its arguments and working directory.
struct run_options {
    // Written to the program's standard input; without it standard input is
    // /dev/null.
    std::optional<std::string> stdin_data;
    // The run is killed after this long.
    std::chrono::seconds timeout = std::chrono::seconds(60);
    // Standard error goes into out as well, through the same pipe, to show
    // how the two streams interleave.
    bool merge_stderr = false;
    // Environment variables set for the program, such as VESTREL_JOBS.
    std::vector<std::pair<std::string, std::string>> environment;
    // Runs in the child just before the program starts: limits, signal
    // dispositions, other standard output.
    std::function<void()> prepare;
    // Standard error is a terminal rather than a pipe.
    std::optional<terminal_options> terminal;
};

// Runs vestrel with args in cwd.
run_result run_vestrel(const std::vector<std::string>& args, const fs::path& cwd,
                       const run_options& options);

// The same with the usual options, for short calls.
run_result run_vestrel(const std::vector<std::string>& args, const fs::path& cwd,
                       const std::optional<std::string>& stdin_data = std::nullopt,
                       std::chrono::seconds timeout = std::chrono::seconds(60),
                       bool merge_stderr = false);

// As run_vestrel, but as an unprivileged user (65534) when the tests run as
// root, so that permission checks apply. Everything in the directory is handed
// to that user first (permission bits stay as they are), and the user runs a
// copy of the binary, since the build tree may lie where it cannot reach.
run_result run_vestrel_unprivileged(const std::vector<std::string>& args,
                                    const scratch_dir& cwd, const run_options& options = {});

// Why run_vestrel_unprivileged cannot run in the directory, or nothing when it
// can: the unprivileged user must be able to enter the temporary directory.
// A test skips with this reason rather than pass without running.
std::optional<std::string> unprivileged_run_unavailable(const scratch_dir& cwd);

// The arguments of a case in brackets, one pair each, for failure messages.
std::string bracketed(const std::vector<std::string>& args);

// Path of a file shipped under tests/data.
fs::path test_data(const std::string& name);

}
