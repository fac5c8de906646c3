// A page's document, and how it was come by: repaired by Tidy attempt after
// attempt, or taken as an earlier run kept it in the cache.
#pragma once

#include "cache/document_cache.hpp"
#include "matching/query.hpp"
#include "processing/repair_history.hpp"

#include <memory>
#include <string>
#include <string_view>

struct repaired_document {
    repair_history history;
    // The parsed document of the last attempt; none when Tidy gave nothing.
    std::unique_ptr<parsed_xhtml> parsed;
    // Why the repair could not be kept in the cache, the first time it could
    // not in this process; the document is whole all the same.
    failure cache_problem;
};

// The document of a page's text, which Tidy reads in the encoding it names
// tidy_encoding. The text is repaired under each set of rules of
// repair_attempts in turn, until the XML parser takes what Tidy wrote, Tidy
// fails, or stricter rules cannot help. With a cache, a repair an earlier run
// kept of the same text (repair_key) is taken instead, when it verifies and
// the XML parser judges its document as it says; a new repair is kept, unless
// it lacked a stack or is larger than any that may belong to the page.
repaired_document find_document(std::string_view text, const std::string& tidy_encoding,
                                const document_cache* cache);
