// Shared helpers of the matching tests: run a query over literal XHTML and
// print result lists readably when a comparison fails.
#pragma once

#include "matching/query.hpp"

#include <gtest/gtest.h>
#include <iostream>
#include <string>
#include <vector>

namespace matching_test {

// Appends the matches of the selector in the XHTML text to results.
inline void query_text(std::vector<std::string>& results, const char* xhtml, const char* selector,
                       bool verbose = false, std::ostream& diagnostics = std::cerr)
{
    const parsed_xhtml parsed(xhtml);
    query_document(results, verbose, parsed.document, selector, diagnostics);
}

inline std::vector<std::string> query(const char* xhtml, const char* selector)
{
    std::vector<std::string> results;
    query_text(results, xhtml, selector);
    return results;
}

// One table row: a selector over a document and the exact result list.
struct query_case {
    const char* selector;
    const char* xhtml;
    std::vector<std::string> expected;
};

// Runs every row and compares the result list byte for byte.
inline void expect_cases(const std::vector<query_case>& cases)
{
    for (const auto& c : cases)
        EXPECT_EQ(query(c.xhtml, c.selector), c.expected)
            << "selector [" << c.selector << "] on " << c.xhtml;
}

}
