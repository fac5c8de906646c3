#include "loading/tidy_worker.hpp"

#include "loading/tidy_session.hpp"
#include "loading/xml_pruning.hpp"
#include "loading/xml_safe_text.hpp"
#include "platform/large_stack.hpp"
#include "platform/system_io.hpp"

#include <algorithm>
#include <climits>
#include <unistd.h>

namespace {

// Parses exactly the bytes of text, NUL bytes included (Tidy's buffers stop
// at 4 GiB).
int parse_bytes(TidyDoc doc, std::string_view text)
{
    TidyBuffer input{};
    tidyBufInit(&input);
    tidyBufAttach(&input, reinterpret_cast<byte*>(const_cast<char*>(text.data())),
                  static_cast<uint>(std::min<std::size_t>(text.size(), UINT_MAX)));
    const int rc = tidyParseBuffer(doc, &input);
    tidyBufDetach(&input);
    return rc;
}

// The whole conversion of one text; the stack it runs on is the caller's.
void convert(tidy_worker& repair, std::string_view text, const std::string& tidy_encoding)
{
    tidy_session tidy;
    int rc = -1;
    if (apply_settings(tidy.doc, tidy_encoding, repair.rules))
        rc = tidySetErrorBuffer(tidy.doc, &tidy.diagnostics);
    if (rc >= 0)
        rc = parse_bytes(tidy.doc, text);
    if (rc >= 0)
        rc = tidyCleanAndRepair(tidy.doc);
    if (rc >= 0)
        rc = tidyRunDiagnostics(tidy.doc);
    // Errors were found: the document is still written.
    if (rc > 1 && !tidyOptSetBool(tidy.doc, TidyForceOutput, yes))
        rc = -1;
    if (rc >= 0 && repair.rules != repair_rules::xhtml)
        prune_for_xml(tidy.doc);
    if (rc >= 0) {
        keep_output_rules(tidy.doc, repair.rules);
        rc = tidySaveBuffer(tidy.doc, &tidy.output);
    }

    repair.status = rc < 0 ? rc : 0;
    if (rc < 0)
        return;
    if (rc > 0)
        repair.report = text_of(tidy.diagnostics);
    repair.xhtml = xml_safe_text(text_of(tidy.output));
}

// Tidy recurses once per nesting level of the document: about 112 bytes of
// stack a level in its parse, repair and printing, measured on chains of
// block, inline, list and table elements. A tag opens at most one element of
// its own, but the elements Tidy adds around it (a table and a row around a
// stray cell, a list around a stray item) bring a chain to about 2.5 levels
// a tag; this allows 4.5.
constexpr std::size_t stack_per_tag = 512;
constexpr std::size_t stack_base = std::size_t(256) << 10;

std::size_t stack_for(std::string_view text)
{
    const auto tags = static_cast<std::size_t>(std::count(text.begin(), text.end(), '<'));
    return stack_base + tags * stack_per_tag;
}

std::string mebibytes(std::size_t bytes)
{
    return std::to_string((bytes + (std::size_t(1) << 20) - 1) >> 20) + " MiB";
}

void show_raw_source(std::ostream& diagnostics, std::string_view raw)
{
    diagnostics << "**** BEGIN The HTML raw source\n" << raw << "\n"
                << "**** END The HTML raw source\n";
}

const char* heading_of(repair_rules rules)
{
    switch (rules) {
    case repair_rules::xhtml_pruned:
        return "**** Attempt 2: Tidy's XHTML rules without processing instructions, server-side "
               "code and repeated attributes\n";
    case repair_rules::xml_pruned:
        return "**** Attempt 3: Tidy's XML rules without processing instructions, server-side "
               "code and repeated attributes\n";
    default:
        return "";
    }
}

int exit_status_on_panic = 2;
std::string panic_message;

void exit_on_panic(ctmbstr)
{
    static_cast<void>(write_all(STDERR_FILENO, panic_message));
    _exit(exit_status_on_panic);
}

}

tidy_worker::tidy_worker(std::string_view text, const std::string& tidy_encoding,
                         repair_rules rules)
    : rules(rules)
{
    const std::size_t stack = stack_for(text);
    if (const failure no_thread = run_with_stack(stack, [&] { convert(*this, text, tidy_encoding); })) {
        status = -1;
        problem = {failure_kind::no_stack, no_thread.number, mebibytes(stack)};
    }
}

void show_repair(std::ostream& diagnostics, std::string_view raw, const tidy_worker& repair,
                 std::string_view encoding_line)
{
    const bool first = repair.rules == repair_rules::xhtml;
    if (first) {
        show_raw_source(diagnostics, raw);
        diagnostics << encoding_line;
    } else {
        diagnostics << heading_of(repair.rules);
    }
    if (repair.problem)
        return;
    if (repair.status < 0) {
        diagnostics << "**** A severe error (" << repair.status << ") occurred.\n";
        return;
    }
    if (first && repair.report)
        diagnostics << "**** TIDY Diagnostics for raw HTML source: " << *repair.report << "\n";
    const char* kind = repair.rules == repair_rules::xml_pruned ? "XML" : "XHTML";
    diagnostics << "**** BEGIN " << kind << "\n" << repair.xhtml << "\n" << "**** END " << kind << "\n";
}

std::string tidy_release()
{
    return tidyLibraryVersion();
}

void exit_when_tidy_runs_out_of_memory(int status, std::string_view message)
{
    exit_status_on_panic = status;
    panic_message = message;
    tidySetPanicCall(exit_on_panic);
}
