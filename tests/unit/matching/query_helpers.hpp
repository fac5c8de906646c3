// Shared helpers of the matching tests: run a query over literal XHTML and
// print result lists readably when a comparison fails.
#pragma once

#include "matching/query.hpp"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace matching_test {

inline std::vector<std::string> query(const char* xhtml, const char* selector)
{
    std::vector<std::string> results;
    query_document(results, false, xhtml, selector);
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
