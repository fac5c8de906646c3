// The work on one input, from its open file to its results: read it, choose
// its encoding, repair it with Tidy (attempt after attempt, or as an earlier
// run kept it), parse it and query it with the selector group. It writes
// nothing itself, so it can run anywhere: what it gives is written
// afterwards, in the run's order.
#pragma once

#include "cache/document_cache.hpp"
#include "loading/encodings.hpp"
#include "platform/failure.hpp"

#include <string>
#include <vector>

// What the work on every input of a run shares.
struct input_settings {
    bool verbose = false;
    std::string selector;
    input_encoding encoding;
    // Where repairs are kept for later runs; none without VESTREL_CACHE.
    const document_cache* cache = nullptr;
};

// What the work on one input gave.
struct input_outcome {
    // With verbose, Tidy's sections, the XML error line and the selector
    // outline, in the order they arose.
    std::string diagnostics;
    // One serialised element per match, in document order.
    std::vector<std::string> results;
    // Why the input gave nothing though it was there: it could not be read
    // or converted, memory ran out, or it gives no document. Results are then
    // empty. None when the input was worked on, whatever it held.
    failure problem;
    // Why the cache could not be written, the first time it could not in
    // this process; the results are whole all the same.
    failure cache_problem;
    // The problem is for want of memory or of a stack, which a process that
    // has worked on nothing before may have. Not sent between processes.
    bool short_of_memory = false;
};

// Works on the input open on fd, read up to its first NUL byte unless the
// encoding reads past it, in the encoding the settings name or else in the
// page's own (decode_page). The outcome is the same to the byte with a cache
// as without.
input_outcome process_input(const input_settings& settings, int fd);

// The outcome as a list of strings, to send between processes, and back. A
// list that is not a packed outcome unpacks as an outcome without results.
std::vector<std::string> pack_outcome(input_outcome outcome);
input_outcome unpack_outcome(std::vector<std::string> parts);
