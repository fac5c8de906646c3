#include "loading/tidy_worker.hpp"

#include "loading/cp1251.hpp"
#include "loading/large_stack.hpp"

#include <algorithm>
#include <climits>
#include <unistd.h>
#include <string_view>
#include <tidy/tidy.h>
#include <tidy/tidybuffio.h>

namespace {

// A Tidy document with its output and diagnostics buffers, all released
// together: the output buffer, then the diagnostics buffer, then the document.
struct tidy_session {
    TidyDoc doc = tidyCreate();
    TidyBuffer output{};
    TidyBuffer diagnostics{};

    tidy_session() = default;
    tidy_session(const tidy_session&) = delete;
    tidy_session& operator=(const tidy_session&) = delete;
    ~tidy_session()
    {
        tidyBufFree(&output);
        tidyBufFree(&diagnostics);
        tidyRelease(doc);
    }
};

std::string text_of(const TidyBuffer& buffer)
{
    if (buffer.bp == nullptr)
        return {};
    return std::string(reinterpret_cast<const char*>(buffer.bp), buffer.size);
}

// Parses exactly the bytes of raw, NUL bytes included (Tidy's buffers stop
// at 4 GiB).
int parse_bytes(TidyDoc doc, std::string_view raw)
{
    TidyBuffer input{};
    tidyBufInit(&input);
    tidyBufAttach(&input, reinterpret_cast<byte*>(const_cast<char*>(raw.data())),
                  static_cast<uint>(std::min<std::size_t>(raw.size(), UINT_MAX)));
    const int rc = tidyParseBuffer(doc, &input);
    tidyBufDetach(&input);
    return rc;
}

// Options that keep the document the user wrote: no-break spaces as numeric
// references (a named "&nbsp;" is not XML and would come out corrupted), no
// generator meta element, empty elements and paragraphs kept, and autonomous
// custom elements such as <my-widget> accepted. Like the reporting options,
// their results do not matter.
void keep_document_content(TidyDoc doc)
{
    tidyOptSetBool(doc, TidyNumEntities, yes);
    tidyOptSetBool(doc, TidyMark, no);
    tidyOptSetBool(doc, TidyDropEmptyElems, no);
    tidyOptSetBool(doc, TidyDropEmptyParas, no);
    tidyOptSetInt(doc, TidyUseCustomTags, TidyCustomBlocklevel);
}

void show_raw_source(std::ostream& diagnostics, std::string_view raw)
{
    diagnostics << "**** BEGIN The HTML raw source\n" << raw << "\n"
                << "**** END The HTML raw source\n";
}

int exit_status_on_panic = 2;

void exit_quietly(ctmbstr)
{
    _exit(exit_status_on_panic);
}

}

void exit_quietly_when_tidy_runs_out_of_memory(int status)
{
    exit_status_on_panic = status;
    tidySetPanicCall(exit_quietly);
}

tidy_worker::tidy_worker(bool verbose, std::string_view raw, const input_encoding& encoding,
                         const std::optional<std::string>& output_encoding,
                         std::ostream& diagnostics)
{
    // Tidy recurses once per nesting level of the document, so a deeply
    // nested input needs far more stack than the main thread has.
    run_on_large_stack([&] {
        status = convert(verbose, raw, encoding, output_encoding, diagnostics);
    });
}

int tidy_worker::convert(bool verbose, std::string_view raw, const input_encoding& encoding,
                         const std::optional<std::string>& output_encoding,
                         std::ostream& diagnostics)
{
    xhtml.clear();
    tidy_session tidy;
    int rc = -1;

    tidyOptSetBool(tidy.doc, TidyShowWarnings, no);
    tidyOptSetBool(tidy.doc, TidyShowInfo, no);
    keep_document_content(tidy.doc);

    tidySetInCharEncoding(tidy.doc, encoding.tidy_name.c_str());
    tidySetOutCharEncoding(tidy.doc, output_encoding ? output_encoding->c_str() : "utf8");

    if (tidyOptSetBool(tidy.doc, TidyXhtmlOut, yes))
        rc = tidySetErrorBuffer(tidy.doc, &tidy.diagnostics);
    if (rc >= 0) {
        if (verbose)
            show_raw_source(diagnostics, raw);
        if (encoding.converts_win1251)
            rc = parse_bytes(tidy.doc, cp1251_to_utf8(raw));
        else
            rc = parse_bytes(tidy.doc, raw);
    }
    if (rc >= 0)
        rc = tidyCleanAndRepair(tidy.doc);
    if (rc >= 0)
        rc = tidyRunDiagnostics(tidy.doc);
    // Errors were found: the document is still written.
    if (rc > 1 && !tidyOptSetBool(tidy.doc, TidyForceOutput, yes))
        rc = -1;
    if (rc >= 0)
        rc = tidySaveBuffer(tidy.doc, &tidy.output);

    if (rc < 0) {
        if (verbose)
            diagnostics << "**** A severe error (" << rc << ") occurred.\n";
        return rc;
    }
    if (rc > 0 && verbose)
        diagnostics << "**** TIDY Diagnostics for raw HTML source: "
                    << text_of(tidy.diagnostics) << "\n";
    xhtml = text_of(tidy.output);
    if (verbose)
        diagnostics << "**** BEGIN XHTML\n" << xhtml << "\n" << "**** END XHTML\n";
    return 0;
}
