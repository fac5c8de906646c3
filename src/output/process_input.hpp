// The work on one input: clean it with Tidy and query it with the selector
// group. It writes nothing itself, so it can run anywhere: what it gives is
// written afterwards, in the run's order.
#pragma once

#include "loading/encodings.hpp"

#include <string>
#include <string_view>
#include <vector>

class repair_cache;

// What the work on every input of a run shares.
struct input_settings {
    bool verbose = false;
    std::string selector;
    input_encoding encoding;
    // Where repairs are kept for later runs; none without VESTREL_CACHE.
    repair_cache* cache = nullptr;
};

// What the work on one input gave.
struct input_outcome {
    // With verbose, Tidy's sections, the XML error line and the selector
    // outline, in the order they arose.
    std::string diagnostics;
    // One serialised element per match, in document order.
    std::vector<std::string> results;
    // Why the input gave nothing though it was there: "out of memory", or
    // "no document: " and what failed. Results are then empty. Empty when the
    // input was worked on, whatever it held.
    std::string failure;
    // The line that says the cache could not be written, the first time it
    // could not; the results are whole all the same.
    std::string cache_problem;
    // The failure is for want of memory or of a stack, which a process that
    // has worked on nothing before may have. Not sent between processes.
    bool short_of_memory = false;
};

// Cleans input_text (up to its first NUL byte unless the encoding reads past
// it), read in the encoding the settings name or else in the page's own
// (decode_page), and queries it. When the XML parser rejects what Tidy wrote, Tidy tries
// again under stricter rules (repair_rules); what still gives no document is
// told in the outcome's failure, and so is running out of memory. With a
// cache, a repair kept there by an earlier run is taken instead of running
// Tidy, and a new one is kept; the outcome is the same to the byte.
input_outcome process_input(const input_settings& settings, std::string_view input_text);

// The outcome as a list of strings, to send between processes, and back. A
// list that is not a packed outcome unpacks as an outcome without results.
std::vector<std::string> pack_outcome(input_outcome outcome);
input_outcome unpack_outcome(std::vector<std::string> parts);
