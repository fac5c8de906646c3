// What went wrong, as a value: every failure that the program reports, from
// a system call's error number to a worker that was killed, is one of these,
// and describe() is the one place that words it for the user.
#pragma once

#include <string>
#include <string_view>
#include <utility>

// The kinds, with what number and detail hold for each. Where a detail is
// said to name a part, it comes first in the words: "entries: Permission
// denied".
enum class failure_kind {
    none,
    system,           // number: the system's error number; detail: a part
    cannot_read,      // number: the error number of the read that failed
    cannot_convert,   // number: the error number; detail: the encoding
    out_of_memory,
    no_stack,         // number: the error number; detail: the size asked for
    tidy_failed,      // number: Tidy's (negative) status
    not_well_formed,  // number: the line; detail: the XML parser's error name
    too_deep,         // the XML parser's nesting limit
    killed,           // number: the signal that ended a worker
    exited,           // number: the exit status of a worker that ended early
    timed_out,        // number: the seconds of CPU time it was given
    own_output,       // the input is a file the run itself writes
    foreign_owner,    // a directory of another user; detail: a part
    open_to_others,   // a directory group or others may write; detail: a part
};

struct failure {
    failure_kind kind = failure_kind::none;
    long long number = 0;
    std::string detail;

    // True when something failed.
    explicit operator bool() const { return kind != failure_kind::none; }
    bool operator==(const failure&) const = default;
};

// A failed system call, from its error number.
inline failure system_failure(int error_number, std::string part = {})
{
    return {failure_kind::system, error_number, std::move(part)};
}

// The failure in words, as it follows "vestrel: NAME: ": "out of memory",
// "cannot read: Input/output error", "no document: ...". Empty for none.
std::string describe(const failure& what);

// A line of the program on standard error: "vestrel: " text "\n".
std::string program_line(std::string_view text);

// "vestrel: " subject ": " the failure in words "\n".
std::string complaint(std::string_view subject, const failure& what);
