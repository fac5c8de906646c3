// Repairs a page's text into XHTML with libtidy.
#pragma once

#include "loading/tidy_settings.hpp"
#include "platform/failure.hpp"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

// One repair of a page's text under one set of rules. The whole conversion
// runs in the constructor, on a stack as large as the text's nesting may
// need; afterwards the object only holds what Tidy gave. The document holds
// no control character that XML forbids (xml_safe_text).
class tidy_worker {
public:
    // What a repair gave, as an earlier run kept it: no Tidy runs.
    tidy_worker() = default;
    // Repairs every byte of text, which Tidy reads in the encoding it names
    // tidy_encoding (see decode_page), and writes as UTF-8.
    tidy_worker(std::string_view text, const std::string& tidy_encoding, repair_rules rules);

    // Tidy ran and wrote a document, however much it had to repair.
    bool wrote_document() const { return !problem && status >= 0; }

    repair_rules rules = repair_rules::xhtml;
    // 0 when the conversion succeeded, otherwise the negative Tidy status at
    // which it stopped.
    int status = -1;
    // The document Tidy wrote; empty when the conversion failed.
    std::string xhtml;
    // Tidy's diagnostics, when it had warnings or errors to give.
    std::optional<std::string> report;
    // Why Tidy could not run at all: no stack could be had for as deep a
    // nesting as the text may hold.
    failure problem;
};

// What verbose mode shows of one repair. For the first attempt: the raw
// source, the line saying how its encoding was chosen (when there is one),
// Tidy's diagnostics when it had any, and the XHTML, or the severe-error
// line; for a later attempt: a line naming its rules, then the document it
// gave, or the severe-error line.
void show_repair(std::ostream& diagnostics, std::string_view raw, const tidy_worker& repair,
                 std::string_view encoding_line = {});

// The release of libtidy in use, as it names itself.
std::string tidy_release();

// From now on, when Tidy runs out of memory this process writes message (if
// any) on standard error and ends at once with the given exit status, instead
// of Tidy printing its own fatal message and exiting with 2.
void exit_when_tidy_runs_out_of_memory(int status, std::string_view message = {});
