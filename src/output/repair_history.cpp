#include "output/repair_history.hpp"

#include <cstdint>
#include <cstring>

namespace {

// Packing: numbers as 8 bytes in the machine's order, texts as their length
// and bytes.
void put_number(std::string& bytes, std::int64_t number)
{
    char raw[sizeof number];
    std::memcpy(raw, &number, sizeof number);
    bytes.append(raw, sizeof number);
}

void put_text(std::string& bytes, std::string_view text)
{
    put_number(bytes, static_cast<std::int64_t>(text.size()));
    bytes.append(text);
}

// Reads back what put_number and put_text wrote; fails for good on bytes that
// run out.
struct unpacker {
    std::string_view bytes;
    bool failed = false;

    std::int64_t number()
    {
        std::int64_t value = 0;
        if (bytes.size() < sizeof value) {
            failed = true;
            return 0;
        }
        std::memcpy(&value, bytes.data(), sizeof value);
        bytes.remove_prefix(sizeof value);
        return value;
    }

    std::string text()
    {
        const std::int64_t size = number();
        if (failed || size < 0 || std::uint64_t(size) > bytes.size()) {
            failed = true;
            return {};
        }
        std::string value(bytes.substr(0, std::size_t(size)));
        bytes.remove_prefix(std::size_t(size));
        return value;
    }
};

// Why the XML parser rejected a document, in words for the user.
std::string rejection(const repair_attempt& attempt)
{
    if (attempt.verdict == tinyxml2::XML_ELEMENT_DEPTH_EXCEEDED)
        return "nested deeper than the XML parser allows";
    return "the repaired XHTML is not well-formed XML ("
        + std::string(tinyxml2::XMLDocument::ErrorIDToName(attempt.verdict)) + " at line "
        + std::to_string(attempt.error_line) + ")";
}

bool wrote_document(const tidy_outcome& repair)
{
    return repair.failure.empty() && repair.status >= 0;
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
    return wrote_document(last.repair) && gives_document(last.verdict);
}

std::string failure_of(const repair_history& history)
{
    if (history.attempts.empty() || found_document(history))
        return {};
    const repair_attempt& first = history.attempts.front();
    if (!first.repair.failure.empty())
        return first.repair.failure;
    if (first.repair.status < 0)
        return "no document: Tidy could not repair it (status " + std::to_string(first.repair.status)
            + ")";
    return "no document: " + rejection(first);
}

void show_history(std::ostream& diagnostics, std::string_view raw, std::string_view encoding_line,
                  const repair_history& history)
{
    for (const repair_attempt& attempt : history.attempts) {
        show_repair(diagnostics, raw, attempt.repair, encoding_line);
        if (wrote_document(attempt.repair) && !gives_document(attempt.verdict))
            diagnostics << "TinyXML2Error: " << int(attempt.verdict) << "\n";
    }
    if (history.attempts.size() > 1 && found_document(history))
        diagnostics << "**** The document comes from attempt " << history.attempts.size() << "\n";
}

bool lacked_a_stack(const repair_history& history)
{
    for (const repair_attempt& attempt : history.attempts)
        if (!attempt.repair.failure.empty())
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
    std::string bytes;
    put_number(bytes, static_cast<std::int64_t>(history.attempts.size()));
    for (const repair_attempt& attempt : history.attempts) {
        put_number(bytes, static_cast<std::int64_t>(attempt.repair.rules));
        put_number(bytes, attempt.repair.status);
        put_number(bytes, attempt.repair.report.has_value());
        put_text(bytes, attempt.repair.report.value_or(""));
        put_text(bytes, attempt.repair.xhtml);
        put_number(bytes, attempt.verdict);
        put_number(bytes, attempt.error_line);
    }
    return bytes;
}

std::optional<repair_history> unpack_history(std::string_view bytes)
{
    unpacker in{bytes};
    repair_history history;
    const std::int64_t count = in.number();
    if (count < 1 || count > 3)
        return std::nullopt;
    for (std::int64_t i = 0; i < count && !in.failed; ++i) {
        repair_attempt attempt;
        const std::int64_t rules = in.number();
        if (rules < 0 || rules > static_cast<std::int64_t>(repair_rules::xml_pruned))
            return std::nullopt;
        attempt.repair.rules = static_cast<repair_rules>(rules);
        attempt.repair.status = static_cast<int>(in.number());
        const bool has_report = in.number() != 0;
        std::string report = in.text();
        if (has_report)
            attempt.repair.report = std::move(report);
        attempt.repair.xhtml = in.text();
        const std::int64_t verdict = in.number();
        if (verdict < 0 || verdict >= tinyxml2::XML_ERROR_COUNT)
            return std::nullopt;
        attempt.verdict = static_cast<tinyxml2::XMLError>(verdict);
        attempt.error_line = static_cast<int>(in.number());
        history.attempts.push_back(std::move(attempt));
    }
    if (in.failed || !in.bytes.empty())
        return std::nullopt;
    return history;
}
