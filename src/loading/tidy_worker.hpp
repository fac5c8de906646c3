// Repairs raw HTML into XHTML with libtidy.
#pragma once

#include "loading/encodings.hpp"

#include <iostream>
#include <optional>
#include <string>
#include <string_view>

// The rules of one repair. Nearly every page gets Tidy's XHTML; the other two
// are the later attempts for a page whose XHTML the XML parser rejects.
enum class repair_rules {
    // Tidy's XHTML output.
    xhtml,
    // The same, without what XML cannot hold inside a document: processing
    // instructions, server-side code (PHP, ASP, JSTE) and every earlier copy
    // of a repeated attribute (the last is kept, as Tidy itself keeps it on
    // HTML elements; inside inline SVG it keeps them all).
    xhtml_pruned,
    // Tidy's XML output, pruned likewise: the text of scripts and styles is
    // escaped as any other text, so none of it can end or open markup.
    xml_pruned,
};

// What Tidy gave for one input under one set of rules.
struct tidy_outcome {
    repair_rules rules = repair_rules::xhtml;
    // 0 when the conversion succeeded, otherwise the negative Tidy status at
    // which it stopped.
    int status = -1;
    // The document Tidy wrote; empty when the conversion failed.
    std::string xhtml;
    // Tidy's diagnostics, when it had warnings or errors to give.
    std::optional<std::string> report;
    // Why Tidy could not run at all: no stack could be had for as deep a
    // nesting as the input may hold. Empty when it ran.
    std::string failure;
};

// Runs Tidy on every byte of text, read in the encoding Tidy names
// tidy_encoding (see decode_page), on a stack as large as the input's nesting
// may need. Without output_encoding the document is written as "utf8" and
// holds no control character that XML forbids (xml_safe_text).
tidy_outcome repair_html(std::string_view text, const std::string& tidy_encoding,
                         repair_rules rules = repair_rules::xhtml,
                         const std::optional<std::string>& output_encoding = std::nullopt);

// What verbose mode shows of one repair. For the first attempt: the raw
// source, the line saying how its encoding was chosen (when there is one),
// Tidy's diagnostics when it had any, and the XHTML, or the severe-error
// line; for a later attempt: a line naming its rules, then the document it
// gave, or the severe-error line.
void show_repair(std::ostream& diagnostics, std::string_view raw, const tidy_outcome& repair,
                 std::string_view encoding_line = {});

// One input's cleaning under Tidy's XHTML rules, read in its encoding
// (decode_page). The whole conversion runs in the constructor; afterwards
// the object only holds its outcome. In verbose mode the sections of
// show_repair are written to the diagnostics stream.
class tidy_worker {
public:
    tidy_worker(bool verbose, std::string_view raw, const input_encoding& encoding,
                const std::optional<std::string>& output_encoding,
                std::ostream& diagnostics = std::cerr);

    // 0 when the conversion succeeded, otherwise the negative Tidy status at
    // which it stopped.
    int status = -1;
    // The cleaned document; empty when the conversion failed.
    std::string xhtml;
};

// The release of libtidy in use, as it names itself.
std::string tidy_release();

// The version of the repair: what Tidy is asked to do and what is done to
// its document, as far as the program decides it. Anything kept from a
// repair for later runs is kept under it, so every change to the settings,
// the pruning or the rules of the attempts must raise it.
inline constexpr int repair_version = 2;

// The Tidy options that each set of rules changes from Tidy's defaults, one
// "name: value" line each, then what is done to every document Tidy writes:
// what a change of the settings changes.
std::string repair_settings_text();

// From now on, when Tidy runs out of memory this process writes message (if
// any) on standard error and ends at once with the given exit status, instead
// of Tidy printing its own fatal message and exiting with 2.
void exit_when_tidy_runs_out_of_memory(int status, std::string_view message = {});
