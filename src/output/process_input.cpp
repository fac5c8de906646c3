#include "output/process_input.hpp"

#include "loading/tidy_worker.hpp"
#include "matching/query.hpp"

#include <new>
#include <sstream>

namespace {

// The first parts of a packed outcome; the results follow.
enum packed_part : std::size_t { packed_flags, packed_diagnostics, packed_results };

constexpr char out_of_memory_flag = 'M';

}

input_outcome process_input(const input_settings& settings, std::string_view input_text)
{
    input_outcome outcome;
    std::ostringstream diagnostics;
    try {
        // The worker, and with it the input's XHTML, is gone before the
        // outcome is handed on.
        const tidy_worker worker(settings.verbose, processed_input(input_text, settings.encoding),
                                 settings.encoding, std::nullopt, diagnostics);
        query_document(outcome.results, settings.verbose, worker.xhtml.c_str(),
                       settings.selector.c_str(), diagnostics);
    } catch (const std::bad_alloc&) {
        outcome.results = {};
        outcome.out_of_memory = true;
    }
    outcome.diagnostics = std::move(diagnostics).str();
    return outcome;
}

std::vector<std::string> pack_outcome(input_outcome outcome)
{
    std::vector<std::string> parts;
    parts.reserve(packed_results + outcome.results.size());
    parts.emplace_back(outcome.out_of_memory ? 1 : 0, out_of_memory_flag);
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
    outcome.out_of_memory = parts[packed_flags] == std::string(1, out_of_memory_flag);
    outcome.diagnostics = std::move(parts[packed_diagnostics]);
    outcome.results.reserve(parts.size() - packed_results);
    for (std::size_t i = packed_results; i < parts.size(); ++i)
        outcome.results.push_back(std::move(parts[i]));
    return outcome;
}
