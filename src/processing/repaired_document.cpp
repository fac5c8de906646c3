#include "processing/repaired_document.hpp"

#include <optional>

namespace {

// Repairs the text under each set of rules in turn, until the XML parser
// takes what Tidy wrote, Tidy fails, or stricter rules cannot help.
repaired_document repair(std::string_view text, const std::string& tidy_encoding)
{
    repaired_document found;
    for (const repair_rules rules : repair_attempts) {
        repair_attempt attempt{tidy_worker(text, tidy_encoding, rules)};
        if (!attempt.repair.wrote_document()) {
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
std::optional<repaired_document> kept_document(const document_cache& cache, const cache_key& key,
                                               std::uint64_t largest)
{
    const std::optional<std::string> payload = cache.lookup(key, largest);
    if (!payload)
        return std::nullopt;
    std::optional<repair_history> history = unpack_history(*payload);
    if (!history)
        return std::nullopt;
    repaired_document found{std::move(*history), nullptr, {}};
    if (found_document(found.history)) {
        const repair_attempt& last = found.history.attempts.back();
        found.parsed = std::make_unique<parsed_xhtml>(last.repair.xhtml.c_str());
        if (found.parsed->error != last.verdict)
            return std::nullopt;
    }
    return found;
}

}

repaired_document find_document(std::string_view text, const std::string& tidy_encoding,
                                const document_cache* cache)
{
    if (!cache)
        return repair(text, tidy_encoding);
    static const std::string tidy = tidy_release();
    static const std::string xml_parser = xml_parser_release();
    const cache_key key = repair_key({text, tidy_encoding, repair_version, tidy, xml_parser});
    const std::uint64_t largest = largest_packed_history(text.size());
    if (std::optional<repaired_document> kept = kept_document(*cache, key, largest))
        return std::move(*kept);
    repaired_document found = repair(text, tidy_encoding);
    if (may_be_kept(found.history)) {
        const std::string packed = pack_history(found.history);
        if (packed.size() <= largest)
            found.cache_problem = cache->store(key, packed);
    }
    return found;
}
