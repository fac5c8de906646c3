// The program's own standard streams, written with every failure checked.
// Everything the program says on standard error goes through
// write_standard_error.
#pragma once

#include "platform/failure.hpp"

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
// reported, so it is ignored.
void write_standard_error(std::string_view text);

// Says on standard error that something failed: complaint(subject, what).
void report(std::string_view subject, const failure& what);
