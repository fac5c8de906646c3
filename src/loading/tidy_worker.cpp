#include "loading/tidy_worker.hpp"

#include "loading/page_encoding.hpp"
#include "loading/xml_safe_text.hpp"
#include "platform/large_stack.hpp"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>
#include <tidy/tidy.h>
#include <tidy/tidybuffio.h>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace {

// A Tidy document with its output and diagnostics buffers, all released
// together: the output buffer, then the diagnostics buffer, then the document.
// The buffers are initialised here: freeing one that Tidy never wrote into
// would crash otherwise, as on a severe error before the document is saved.
struct tidy_session {
    TidyDoc doc = tidyCreate();
    TidyBuffer output{};
    TidyBuffer diagnostics{};

    tidy_session()
    {
        tidyBufInit(&output);
        tidyBufInit(&diagnostics);
    }
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

// The node after node in document order; its children are skipped unless
// descend.
TidyNode next_node(TidyNode node, bool descend)
{
    if (descend)
        if (TidyNode child = tidyGetChild(node))
            return child;
    for (; node; node = tidyGetParent(node))
        if (TidyNode sibling = tidyGetNext(node))
            return sibling;
    return nullptr;
}

bool is_foreign_to_xml(TidyNode node)
{
    switch (tidyNodeGetType(node)) {
    case TidyNode_ProcIns:
    case TidyNode_Asp:
    case TidyNode_Jste:
    case TidyNode_Php:
        return true;
    default:
        return false;
    }
}

// Discards every earlier copy of a repeated attribute of the element.
void drop_repeated_attributes(TidyDoc doc, TidyNode element)
{
    std::vector<TidyAttr> attributes;
    for (TidyAttr attribute = tidyAttrFirst(element); attribute; attribute = tidyAttrNext(attribute))
        attributes.push_back(attribute);
    if (attributes.size() < 2)
        return;
    std::unordered_set<std::string_view> later;
    for (auto it = attributes.rbegin(); it != attributes.rend(); ++it) {
        const char* name = tidyAttrName(*it);
        if (!later.insert(name ? name : "").second)
            tidyAttrDiscard(doc, element, *it);
    }
}

// Removes what XML cannot hold inside a document, walking the tree without
// recursion.
void prune_for_xml(TidyDoc doc)
{
    TidyNode node = tidyGetChild(tidyGetRoot(doc));
    while (node) {
        if (is_foreign_to_xml(node)) {
            TidyNode parent = tidyGetParent(node);
            TidyNode sibling = tidyDiscardElement(doc, node);
            node = sibling ? sibling : next_node(parent, false);
            continue;
        }
        drop_repeated_attributes(doc, node);
        node = next_node(node, true);
    }
}

// Every setting of one repair; false when the output rules could not be set.
bool apply_settings(TidyDoc doc, const std::string& tidy_encoding, repair_rules rules,
                    const std::optional<std::string>& output_encoding)
{
    tidyOptSetBool(doc, TidyShowWarnings, no);
    tidyOptSetBool(doc, TidyShowInfo, no);
    keep_document_content(doc);

    tidySetInCharEncoding(doc, tidy_encoding.c_str());
    tidySetOutCharEncoding(doc, output_encoding ? output_encoding->c_str() : "utf8");

    return tidyOptSetBool(doc, rules == repair_rules::xml_pruned ? TidyXmlOut : TidyXhtmlOut, yes);
}

// A page that declares an XHTML doctype, or carries xml:lang or xml:space,
// makes Tidy switch to XHTML output while it parses, whatever it was asked
// for. Under the XML rules the document is then written by Tidy's XML
// printer all the same, which escapes the text of scripts and styles: that is
// what the rules are for.
constexpr std::string_view xml_rules_at_saving = "output-xhtml: no";

void keep_output_rules(TidyDoc doc, repair_rules rules)
{
    if (rules == repair_rules::xml_pruned)
        tidyOptSetBool(doc, TidyXhtmlOut, no);
}

// The whole conversion of one input; the stack it runs on is the caller's.
void convert(tidy_outcome& outcome, std::string_view text, const std::string& tidy_encoding,
             const std::optional<std::string>& output_encoding)
{
    tidy_session tidy;
    int rc = -1;
    if (apply_settings(tidy.doc, tidy_encoding, outcome.rules, output_encoding))
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
    if (rc >= 0 && outcome.rules != repair_rules::xhtml)
        prune_for_xml(tidy.doc);
    if (rc >= 0) {
        keep_output_rules(tidy.doc, outcome.rules);
        rc = tidySaveBuffer(tidy.doc, &tidy.output);
    }

    outcome.status = rc < 0 ? rc : 0;
    if (rc < 0)
        return;
    if (rc > 0)
        outcome.report = text_of(tidy.diagnostics);
    outcome.xhtml = output_encoding ? text_of(tidy.output) : xml_safe_text(text_of(tidy.output));
}

// Tidy recurses once per nesting level of the document: about 112 bytes of
// stack a level in its parse, repair and printing, measured on chains of
// block, inline, list and table elements. A tag opens at most one element of
// its own, but the elements Tidy adds around it (a table and a row around a
// stray cell, a list around a stray item) bring a chain to about 2.5 levels
// a tag; this allows 4.5.
constexpr std::size_t stack_per_tag = 512;
constexpr std::size_t stack_base = std::size_t(256) << 10;

std::size_t stack_for(std::string_view raw)
{
    const auto tags = static_cast<std::size_t>(std::count(raw.begin(), raw.end(), '<'));
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

// An option's value in the document, as text.
std::string option_value(TidyDoc doc, TidyOption option)
{
    const TidyOptionId id = tidyOptGetId(option);
    switch (tidyOptGetType(option)) {
    case TidyString: {
        const char* value = tidyOptGetValue(doc, id);
        return value ? value : "";
    }
    case TidyInteger:
        return std::to_string(tidyOptGetInt(doc, id));
    default:
        return tidyOptGetBool(doc, id) ? "yes" : "no";
    }
}

int exit_status_on_panic = 2;
std::string panic_message;

void exit_on_panic(ctmbstr)
{
    if (!panic_message.empty()) {
        const ssize_t written = write(STDERR_FILENO, panic_message.data(), panic_message.size());
        static_cast<void>(written);
    }
    _exit(exit_status_on_panic);
}

}

tidy_outcome repair_html(std::string_view text, const std::string& tidy_encoding,
                         repair_rules rules, const std::optional<std::string>& output_encoding)
{
    tidy_outcome outcome;
    outcome.rules = rules;
    const std::size_t stack = stack_for(text);
    const int error =
        run_with_stack(stack, [&] { convert(outcome, text, tidy_encoding, output_encoding); });
    if (error != 0) {
        outcome.status = -1;
        outcome.failure = "cannot get a stack of " + mebibytes(stack) + " to repair it: "
            + std::strerror(error);
    }
    return outcome;
}

void show_repair(std::ostream& diagnostics, std::string_view raw, const tidy_outcome& repair,
                 std::string_view encoding_line)
{
    const bool first = repair.rules == repair_rules::xhtml;
    if (first) {
        show_raw_source(diagnostics, raw);
        diagnostics << encoding_line;
    } else {
        diagnostics << heading_of(repair.rules);
    }
    if (!repair.failure.empty())
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

tidy_worker::tidy_worker(bool verbose, std::string_view raw, const input_encoding& encoding,
                         const std::optional<std::string>& output_encoding,
                         std::ostream& diagnostics)
{
    const decoded_page page = decode_page(raw, encoding);
    tidy_outcome repair;
    if (page.failure.empty())
        repair = repair_html(page.text(raw), page.tidy_name, repair_rules::xhtml, output_encoding);
    if (verbose)
        show_repair(diagnostics, raw, repair, page.encoding_line);
    status = repair.status;
    xhtml = std::move(repair.xhtml);
}

std::string repair_settings_text()
{
    std::string text;
    for (const repair_rules rules :
         {repair_rules::xhtml, repair_rules::xhtml_pruned, repair_rules::xml_pruned}) {
        const tidy_session defaults;
        const tidy_session set;
        apply_settings(set.doc, "utf8", rules, std::nullopt);
        text += "rules " + std::to_string(int(rules)) + "\n";
        TidyIterator position = tidyGetOptionList(set.doc);
        while (position) {
            const TidyOption option = tidyGetNextOption(set.doc, &position);
            const std::string value = option_value(set.doc, option);
            if (value != option_value(defaults.doc, option))
                text += std::string(tidyOptGetName(option)) + ": " + value + "\n";
        }
        if (rules == repair_rules::xml_pruned)
            text += "at saving: " + std::string(xml_rules_at_saving) + "\n";
    }
    text += "document: C0 controls as U+FFFD\n";
    return text;
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
