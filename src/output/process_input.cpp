#include "output/process_input.hpp"

#include "loading/page_encoding.hpp"
#include "loading/tidy_worker.hpp"
#include "matching/query.hpp"
#include "output/repair_cache.hpp"
#include "output/repair_history.hpp"

#include <memory>
#include <new>
#include <sstream>

namespace {

// The first parts of a packed outcome; the results follow.
enum packed_part : std::size_t {
    packed_failure,
    packed_cache_problem,
    packed_diagnostics,
    packed_results
};

// The rules of each attempt, in the order they are tried.
constexpr repair_rules attempt_rules[] = {repair_rules::xhtml, repair_rules::xhtml_pruned,
                                          repair_rules::xml_pruned};

// The document of an input, and how it was found.
struct input_document {
    repair_history history;
    // The parsed document of the last attempt; none when Tidy gave nothing.
    std::unique_ptr<parsed_xhtml> parsed;
};

// Repairs the text under each set of rules in turn, until the XML parser
// takes what Tidy wrote, Tidy fails, or stricter rules cannot help.
input_document repair(std::string_view text, const std::string& tidy_encoding)
{
    input_document found;
    for (const repair_rules rules : attempt_rules) {
        repair_attempt attempt{repair_html(text, tidy_encoding, rules)};
        if (!attempt.repair.failure.empty() || attempt.repair.status < 0) {
            found.history.attempts.push_back(std::move(attempt));
            found.parsed.reset();
            break;
        }
        found.parsed = std::make_unique<parsed_xhtml>(attempt.repair.xhtml.c_str());
        attempt.verdict = found.parsed->error;
        attempt.error_line = found.parsed->document.ErrorLineNum();
        found.history.attempts.push_back(std::move(attempt));
        // Stricter rules do not make a document shallower.
        if (gives_document(found.parsed->error)
            || found.parsed->error == tinyxml2::XML_ELEMENT_DEPTH_EXCEEDED)
            break;
    }
    return found;
}

// The document as an earlier run kept it; none when it kept none that
// holds. A kept document that the XML parser does not judge as the history
// says is as damaged as one that fails its checksum.
std::optional<input_document> kept_document(const repair_cache& cache, const cache_key& key,
                                            std::uint64_t largest)
{
    const std::optional<std::string> payload = cache.lookup(key, largest);
    if (!payload)
        return std::nullopt;
    std::optional<repair_history> history = unpack_history(*payload);
    if (!history)
        return std::nullopt;
    input_document found{std::move(*history), nullptr};
    if (found_document(found.history)) {
        const repair_attempt& last = found.history.attempts.back();
        found.parsed = std::make_unique<parsed_xhtml>(last.repair.xhtml.c_str());
        if (found.parsed->error != last.verdict)
            return std::nullopt;
    }
    return found;
}

// The document of the page as Tidy reads it: kept by an earlier run, or
// repaired now (and then kept for later runs, unless it is larger than any
// that may be taken).
input_document find_document(const input_settings& settings, std::string_view text,
                             const std::string& tidy_encoding, input_outcome& outcome)
{
    if (!settings.cache)
        return repair(text, tidy_encoding);
    const cache_key key = repair_cache::key_of(text, tidy_encoding);
    const std::uint64_t largest = largest_packed_history(text.size());
    if (std::optional<input_document> kept = kept_document(*settings.cache, key, largest))
        return std::move(*kept);
    input_document found = repair(text, tidy_encoding);
    if (may_be_kept(found.history)) {
        const std::string packed = pack_history(found.history);
        if (packed.size() <= largest)
            outcome.cache_problem = settings.cache->store(key, packed);
    }
    return found;
}

}

input_outcome process_input(const input_settings& settings, std::string_view input_text)
{
    input_outcome outcome;
    std::ostringstream diagnostics;
    try {
        const std::string_view text = processed_input(input_text, settings.encoding);
        const decoded_page page = decode_page(text, settings.encoding);
        input_document found;
        if (page.failure.empty())
            found = find_document(settings, page.text(text), page.tidy_name, outcome);
        if (settings.verbose)
            show_history(diagnostics, text, page.encoding_line, found.history);
        // The selector outline is shown whether or not there is a document.
        const parsed_xhtml nothing(nullptr);
        query_parsed(outcome.results, settings.verbose,
                     found.parsed ? found.parsed->document : nothing.document,
                     settings.selector.c_str(), diagnostics);
        outcome.failure = page.failure.empty() ? failure_of(found.history) : page.failure;
        outcome.short_of_memory = lacked_a_stack(found.history);
    } catch (const std::bad_alloc&) {
        outcome.results = {};
        outcome.failure = "out of memory";
        outcome.short_of_memory = true;
    }
    outcome.diagnostics = std::move(diagnostics).str();
    return outcome;
}

std::vector<std::string> pack_outcome(input_outcome outcome)
{
    std::vector<std::string> parts;
    parts.reserve(packed_results + outcome.results.size());
    parts.push_back(std::move(outcome.failure));
    parts.push_back(std::move(outcome.cache_problem));
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
    outcome.cache_problem = std::move(parts[packed_cache_problem]);
    outcome.diagnostics = std::move(parts[packed_diagnostics]);
    outcome.results.reserve(parts.size() - packed_results);
    for (std::size_t i = packed_results; i < parts.size(); ++i)
        outcome.results.push_back(std::move(parts[i]));
    return outcome;
}
