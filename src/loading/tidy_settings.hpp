// What Tidy is asked to do: every option the program sets, for each set of
// rules a page may be repaired under, in one place.
#pragma once

#include <string>
#include <tidy/tidy.h>

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

// The rules of each attempt at a page, in the order they are tried: each
// later one only when the XML parser rejected what the one before gave.
inline constexpr repair_rules repair_attempts[] = {repair_rules::xhtml, repair_rules::xhtml_pruned,
                                                   repair_rules::xml_pruned};

// The version of the repair: what Tidy is asked to do and what is done to
// its document, as far as the program decides it. Anything kept from a
// repair for later runs is kept under it, so every change to the settings,
// the pruning or the rules of the attempts must raise it.
inline constexpr int repair_version = 2;

// Sets every option of a repair under the rules, reading the encoding Tidy
// names tidy_encoding and writing UTF-8; false when the output rules could
// not be set.
bool apply_settings(TidyDoc doc, const std::string& tidy_encoding, repair_rules rules);

// Sets what must be set again just before the document is written: a page
// may have made Tidy change it while parsing.
void keep_output_rules(TidyDoc doc, repair_rules rules);

// The Tidy options that each set of rules changes from Tidy's defaults, one
// "name: value" line each, then what is done to every document Tidy writes:
// what a change of the settings changes.
std::string repair_settings_text();
