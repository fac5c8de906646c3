// The program's own standard streams, written with every failure checked.
// Everything the program says on standard error goes through
// write_standard_error.
#pragma once

#include "platform/failure.hpp"

#include <string>
#include <string_view>

// Makes sure descriptors 0, 1 and 2 are open before anything else is, so that
// no file opened later takes the place of a closed one. A closed standard
// output is held open on /dev/null for reading only, so that writing to it
// still fails as writing to a closed descriptor does.
void guard_standard_streams();

// Writes all of text to standard output. On failure, reports it on standard
// error ("vestrel: cannot write standard output: REASON") and returns false.
// A broken pipe ends the program by SIGPIPE before that, unless SIGPIPE is
// ignored.
bool write_standard_output(std::string_view text);

// Closes standard output, so that an error held back until then is seen;
// reported as write_standard_output reports, and false on failure.
bool close_standard_output();

// Writes all of text to standard error; a failure there has nowhere to be
// reported, so it is ignored. While a line stands (stand_on_standard_error),
// it is cleared first and, when text ends its line, drawn again below it, in
// the same write; text that leaves its line open takes the line down.
void write_standard_error(std::string_view text);

// Makes a line stand at the foot of standard error, a terminal: drawing is
// written now, and again after each message; clearing takes it off the
// terminal, at the end, before each message, and when SIGINT, SIGTERM or
// SIGPIPE (when they would end the program) end it. Nothing is drawn, and
// false returned, when what was last written on standard error did not end
// its line. clearing is at most standing_clearing_limit bytes.
bool stand_on_standard_error(std::string drawing, std::string clearing);
inline constexpr std::size_t standing_clearing_limit = 1024;
// Clears the standing line, if one stands.
void take_down_standing_line();
// In a worker process forked from the run: forgets the line that the run
// draws, and gives the signals their default actions back.
void forget_standing_line();

// Says on standard error that something failed: complaint(subject, what).
void report(std::string_view subject, const failure& what);
