#include "processing/repair_history.hpp"

#include "platform/byte_packing.hpp"

#include <iterator>

namespace {

// Why the XML parser rejected a document.
failure rejection(const repair_attempt& attempt)
{
    if (attempt.verdict == tinyxml2::XML_ELEMENT_DEPTH_EXCEEDED)
        return {failure_kind::too_deep, 0, {}};
    return {failure_kind::not_well_formed, attempt.error_line,
            tinyxml2::XMLDocument::ErrorIDToName(attempt.verdict)};
}

}

bool gives_document(tinyxml2::XMLError verdict)
{
    return verdict == tinyxml2::XML_SUCCESS || verdict == tinyxml2::XML_ERROR_EMPTY_DOCUMENT;
}

bool found_document(const repair_history& history)
{
    if (history.attempts.empty())
        return false;
    const repair_attempt& last = history.attempts.back();
    return last.repair.wrote_document() && gives_document(last.verdict);
}

failure failure_of(const repair_history& history)
{
    if (history.attempts.empty() || found_document(history))
        return {};
    const repair_attempt& first = history.attempts.front();
    if (first.repair.problem)
        return first.repair.problem;
    if (first.repair.status < 0)
        return {failure_kind::tidy_failed, first.repair.status, {}};
    return rejection(first);
}

void show_history(std::ostream& diagnostics, std::string_view raw, std::string_view encoding_line,
                  const repair_history& history)
{
    for (const repair_attempt& attempt : history.attempts) {
        show_repair(diagnostics, raw, attempt.repair, encoding_line);
        if (attempt.repair.wrote_document() && !gives_document(attempt.verdict))
            diagnostics << "TinyXML2Error: " << int(attempt.verdict) << "\n";
    }
    if (history.attempts.size() > 1 && found_document(history))
        diagnostics << "**** The document comes from attempt " << history.attempts.size() << "\n";
}

bool lacked_a_stack(const repair_history& history)
{
    for (const repair_attempt& attempt : history.attempts)
        if (attempt.repair.problem)
            return true;
    return false;
}

bool may_be_kept(const repair_history& history)
{
    return !history.attempts.empty() && !lacked_a_stack(history);
}

std::uint64_t largest_packed_history(std::size_t page_size)
{
    return (std::uint64_t(64) << 10) + std::uint64_t(64) * page_size;
}

std::string pack_history(const repair_history& history)
{
    byte_packer packer;
    packer.number(history.attempts.size());
    for (const repair_attempt& attempt : history.attempts) {
        packer.number(static_cast<std::uint64_t>(attempt.repair.rules));
        packer.number(static_cast<std::uint64_t>(std::int64_t(attempt.repair.status)));
        packer.number(attempt.repair.report.has_value());
        packer.text(attempt.repair.report.value_or(""));
        packer.text(attempt.repair.xhtml);
        packer.number(static_cast<std::uint64_t>(attempt.verdict));
        packer.number(static_cast<std::uint64_t>(std::int64_t(attempt.error_line)));
    }
    return std::move(packer.bytes);
}

std::optional<repair_history> unpack_history(std::string_view bytes)
{
    byte_unpacker in(bytes);
    repair_history history;
    const std::uint64_t count = in.number();
    if (count < 1 || count > std::size(repair_attempts))
        return std::nullopt;
    for (std::uint64_t i = 0; i < count && !in.failed; ++i) {
        repair_attempt attempt;
        const std::uint64_t rules = in.number();
        if (rules >= std::size(repair_attempts))
            return std::nullopt;
        attempt.repair.rules = static_cast<repair_rules>(rules);
        attempt.repair.status = static_cast<int>(static_cast<std::int64_t>(in.number()));
        const bool has_report = in.number() != 0;
        std::string report = in.text();
        if (has_report)
            attempt.repair.report = std::move(report);
        attempt.repair.xhtml = in.text();
        const std::uint64_t verdict = in.number();
        if (verdict >= tinyxml2::XML_ERROR_COUNT)
            return std::nullopt;
        attempt.verdict = static_cast<tinyxml2::XMLError>(verdict);
        attempt.error_line = static_cast<int>(static_cast<std::int64_t>(in.number()));
        history.attempts.push_back(std::move(attempt));
    }
    if (in.failed || !in.rest.empty())
        return std::nullopt;
    return history;
}
