#include "processing/process_input.hpp"

#include "loading/page_encoding.hpp"
#include "platform/byte_packing.hpp"
#include "processing/read_input.hpp"
#include "processing/repaired_document.hpp"

#include <new>
#include <sstream>
#include <sys/stat.h>

namespace {

// The first parts of a packed outcome; the results follow.
enum packed_part : std::size_t {
    packed_problem,
    packed_cache_problem,
    packed_diagnostics,
    packed_results
};

// The size of an open regular file, 0 for anything else.
std::size_t size_of(int fd)
{
    struct stat status {};
    return fstat(fd, &status) == 0 && S_ISREG(status.st_mode) ? std::size_t(status.st_size) : 0;
}

// Everything after the reading: the page's encoding, its document, the query.
void work_on(const input_settings& settings, std::string_view page, input_outcome& outcome,
             std::ostream& diagnostics)
{
    const decoded_page decoded = decode_page(page, settings.encoding);
    repaired_document found;
    if (!decoded.problem)
        found = find_document(decoded.text(page), decoded.tidy_name, settings.cache);
    outcome.cache_problem = found.cache_problem;
    if (settings.verbose)
        show_history(diagnostics, page, decoded.encoding_line, found.history);
    // The selector outline is shown whether or not there is a document.
    const parsed_xhtml nothing(nullptr);
    query_document(outcome.results, settings.verbose,
                   found.parsed ? found.parsed->document : nothing.document,
                   settings.selector.c_str(), diagnostics);
    outcome.problem = decoded.problem ? decoded.problem : failure_of(found.history);
    outcome.short_of_memory = lacked_a_stack(found.history);
}

failure out_of_memory()
{
    return {failure_kind::out_of_memory, 0, {}};
}

std::string packed_failure(const failure& what)
{
    byte_packer packer;
    packer.number(static_cast<std::uint64_t>(what.kind));
    packer.number(static_cast<std::uint64_t>(what.number));
    packer.text(what.detail);
    return std::move(packer.bytes);
}

failure unpacked_failure(std::string_view bytes)
{
    byte_unpacker in(bytes);
    failure what;
    what.kind = static_cast<failure_kind>(in.number());
    what.number = static_cast<long long>(in.number());
    what.detail = in.text();
    return in.failed ? failure{} : what;
}

}

input_outcome process_input(const input_settings& settings, int fd)
{
    input_outcome outcome;
    std::ostringstream diagnostics;
    try {
        const input_text input = read_input(fd, settings.encoding.reads_past_nul, size_of(fd));
        if (input.problem) {
            outcome.problem = input.problem;
            return outcome;
        }
        work_on(settings, input.text, outcome, diagnostics);
    } catch (const std::bad_alloc&) {
        outcome.results = {};
        outcome.problem = out_of_memory();
        outcome.short_of_memory = true;
    }
    outcome.diagnostics = std::move(diagnostics).str();
    return outcome;
}

std::vector<std::string> pack_outcome(input_outcome outcome)
{
    std::vector<std::string> parts;
    parts.reserve(packed_results + outcome.results.size());
    parts.push_back(packed_failure(outcome.problem));
    parts.push_back(packed_failure(outcome.cache_problem));
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
    outcome.problem = unpacked_failure(parts[packed_problem]);
    outcome.cache_problem = unpacked_failure(parts[packed_cache_problem]);
    outcome.diagnostics = std::move(parts[packed_diagnostics]);
    outcome.results.reserve(parts.size() - packed_results);
    for (std::size_t i = packed_results; i < parts.size(); ++i)
        outcome.results.push_back(std::move(parts[i]));
    return outcome;
}
