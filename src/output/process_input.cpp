#include "output/process_input.hpp"

#include "loading/tidy_worker.hpp"
#include "matching/query.hpp"

#include <memory>
#include <new>
#include <sstream>

namespace {

// The first parts of a packed outcome; the results follow.
enum packed_part : std::size_t { packed_failure, packed_diagnostics, packed_results };

// The rules of each attempt, in the order they are tried.
constexpr repair_rules attempt_rules[] = {repair_rules::xhtml, repair_rules::xhtml_pruned,
                                          repair_rules::xml_pruned};

// Whether the XML parser's verdict leaves the query something to walk: a
// document, or an empty one (which an empty input is, and which is no
// failure).
bool gives_document(tinyxml2::XMLError error)
{
    return error == tinyxml2::XML_SUCCESS || error == tinyxml2::XML_ERROR_EMPTY_DOCUMENT;
}

// Why the XML parser rejected a document, in words for the user.
std::string rejection(const parsed_xhtml& parsed)
{
    if (parsed.error == tinyxml2::XML_ELEMENT_DEPTH_EXCEEDED)
        return "nested deeper than the XML parser allows";
    return "the repaired XHTML is not well-formed XML ("
        + std::string(tinyxml2::XMLDocument::ErrorIDToName(parsed.error)) + " at line "
        + std::to_string(parsed.document.ErrorLineNum()) + ")";
}

// One input's way to a parsed document: each attempt's repair shown with
// verbose as it is made, the XML parser's verdict after it. The document of
// the first attempt that parses is kept; failure says why none did.
struct document_search {
    std::unique_ptr<parsed_xhtml> parsed;
    std::string failure;
};

document_search find_document(const input_settings& settings, std::string_view text,
                              std::ostream& diagnostics)
{
    document_search search;
    std::size_t attempt = 0;
    for (const repair_rules rules : attempt_rules) {
        ++attempt;
        const tidy_outcome repair = repair_html(text, settings.encoding, rules);
        if (settings.verbose)
            show_repair(diagnostics, text, repair);
        if (!repair.failure.empty() || repair.status < 0) {
            if (search.failure.empty())
                search.failure = !repair.failure.empty() ? repair.failure
                    : "no document: Tidy could not repair it (status "
                        + std::to_string(repair.status) + ")";
            return search;
        }
        search.parsed = std::make_unique<parsed_xhtml>(repair.xhtml.c_str());
        const tinyxml2::XMLError error = search.parsed->error;
        if (gives_document(error)) {
            if (settings.verbose && attempt > 1)
                diagnostics << "**** The document comes from attempt " << attempt << "\n";
            search.failure.clear();
            return search;
        }
        if (settings.verbose)
            diagnostics << "TinyXML2Error: " << int(error) << "\n";
        if (search.failure.empty())
            search.failure = "no document: " + rejection(*search.parsed);
        // Stricter rules do not make a document shallower.
        if (error == tinyxml2::XML_ELEMENT_DEPTH_EXCEEDED)
            break;
    }
    return search;
}

}

input_outcome process_input(const input_settings& settings, std::string_view input_text)
{
    input_outcome outcome;
    std::ostringstream diagnostics;
    try {
        const std::string_view text = processed_input(input_text, settings.encoding);
        document_search search = find_document(settings, text, diagnostics);
        // The selector outline is shown whether or not there is a document.
        const parsed_xhtml nothing(nullptr);
        query_parsed(outcome.results, settings.verbose,
                     search.parsed ? search.parsed->document : nothing.document,
                     settings.selector.c_str(), diagnostics);
        outcome.failure = std::move(search.failure);
    } catch (const std::bad_alloc&) {
        outcome.results = {};
        outcome.failure = "out of memory";
    }
    outcome.diagnostics = std::move(diagnostics).str();
    return outcome;
}

std::vector<std::string> pack_outcome(input_outcome outcome)
{
    std::vector<std::string> parts;
    parts.reserve(packed_results + outcome.results.size());
    parts.push_back(std::move(outcome.failure));
    parts.push_back(std::move(outcome.diagnostics));
    for (std::string& result : outcome.results)
        parts.push_back(std::move(result));
    return parts;
}

input_outcome unpack_outcome(std::vector<std::string> parts)
{
    input_outcome outcome;
    if (parts.size() < packed_results)
        return outcome;
    outcome.failure = std::move(parts[packed_failure]);
    outcome.diagnostics = std::move(parts[packed_diagnostics]);
    outcome.results.reserve(parts.size() - packed_results);
    for (std::size_t i = packed_results; i < parts.size(); ++i)
        outcome.results.push_back(std::move(parts[i]));
    return outcome;
}
