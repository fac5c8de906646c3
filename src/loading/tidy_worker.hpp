// Repairs raw HTML into XHTML with libtidy. The whole conversion runs in the
// constructor; afterwards the object only holds its outcome.
#pragma once

#include "loading/encodings.hpp"

#include <iostream>
#include <optional>
#include <string>
#include <string_view>

// One input's cleaning. In verbose mode the raw source, Tidy's diagnostics
// and the XHTML are written to the diagnostics stream as they pass.
class tidy_worker {
public:
    // raw is the HTML, every byte of it, in the given encoding. Without
    // output_encoding the XHTML is written as "utf8".
    tidy_worker(bool verbose, std::string_view raw, const input_encoding& encoding,
                const std::optional<std::string>& output_encoding,
                std::ostream& diagnostics = std::cerr);

    // 0 when the conversion succeeded, otherwise the negative Tidy status at
    // which it stopped.
    int status = -1;
    // The cleaned document; empty when the conversion failed.
    std::string xhtml;

private:
    int convert(bool verbose, std::string_view raw, const input_encoding& encoding,
                const std::optional<std::string>& output_encoding, std::ostream& diagnostics);
};

// From now on, when Tidy runs out of memory this process ends at once with
// the given exit status and without a word, instead of Tidy printing its own
// fatal message and exiting with 2. For worker processes, whose end the run
// reports in the input's place.
void exit_quietly_when_tidy_runs_out_of_memory(int status);
