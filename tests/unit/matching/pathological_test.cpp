// Documents whose shape defeats a search without memory: deep nesting under
// long descendant chains, and very wide sibling lists under position and
// sibling selectors. Only the results are checked here; their cost is
// measured in the matching benchmark.

#include "query_helpers.hpp"

#include <gtest/gtest.h>

namespace {

using matching_test::query;

// Seven nested div elements inside an x element, then nested div elements
// around a span that has no x above it.
std::string deep_divs(int depth)
{
    std::string text = "<html><body><x>";
    for (int i = 0; i < 7; ++i)
        text += "<div>";
    for (int i = 0; i < 7; ++i)
        text += "</div>";
    text += "</x>";
    for (int i = 0; i < depth; ++i)
        text += "<div>";
    text += "<span/>";
    for (int i = 0; i < depth; ++i)
        text += "</div>";
    return text + "</body></html>";
}

std::string wide_list(int items)
{
    std::string text = "<ul>";
    for (int i = 0; i < items; ++i)
        text += "<li id=\"" + std::to_string(i) + "\"/>";
    return text + "</ul>";
}

TEST(pathological, long_descendant_chains_over_deep_nesting)
{
    const std::string doc = deep_divs(90);
    const std::vector<std::string> span = {"<span/>\n"};
    const std::vector<std::string> none;
    struct chain_case {
        const char* selector;
        const std::vector<std::string>& expected;
    };
    const chain_case cases[] = {
        {"div div div div div div div span", span},
        {"body div div div div div div div div div div div div span", span},
        // Every compound matches somewhere, but no span lies below the x:
        // without memory this tries every choice of six of 89 ancestors.
        {"x div div div div div div span", none},
        {"x div div div div div div div div", none},
        {"x > div div div div div div div div", none},
        {"html x div div div div div div span", none},
    };
    for (const auto& c : cases)
        EXPECT_EQ(query(doc.c_str(), c.selector), c.expected) << c.selector;

    // Below x, seven levels of div are there to be matched, and no more.
    const std::vector<std::string> innermost = {"<div/>\n"};
    EXPECT_EQ(query(doc.c_str(), "x div div div div div div div"), innermost);
    EXPECT_EQ(query(doc.c_str(), "x > div div div div div div div"), innermost);
    EXPECT_EQ(query(doc.c_str(), "x div div div div div div"),
              (std::vector<std::string>{"<div>\n    <div/>\n</div>\n", "<div/>\n"}));
}

TEST(pathological, positions_and_siblings_in_a_wide_list)
{
    const int items = 100000;
    const std::string doc = wide_list(items);
    const auto item = [](int i) { return "<li id=\"" + std::to_string(i) + "\"/>\n"; };
    EXPECT_EQ(query(doc.c_str(), "li:nth-last-child(0)"), std::vector<std::string>{item(items - 1)});
    EXPECT_EQ(query(doc.c_str(), "li:last-child"), std::vector<std::string>{item(items - 1)});
    EXPECT_EQ(query(doc.c_str(), "li:nth-last-of-type(0)"), std::vector<std::string>{item(items - 1)});
    EXPECT_EQ(query(doc.c_str(), "li:nth-last-child(99999)"), std::vector<std::string>{item(0)});
    EXPECT_EQ(query(doc.c_str(), "li:nth-child(54321)"), std::vector<std::string>{item(54321)});
    EXPECT_EQ(query(doc.c_str(), "p ~ li"), std::vector<std::string>{});
    EXPECT_EQ(query(doc.c_str(), "li:last-child ~ li"), std::vector<std::string>{});

    const auto following = query(doc.c_str(), "li ~ li");
    ASSERT_EQ(following.size(), std::size_t(items - 1));
    EXPECT_EQ(following.front(), item(1));
    EXPECT_EQ(following.back(), item(items - 1));
    const auto next = query(doc.c_str(), "li:first-child + li ~ li:nth-last-child(1)");
    EXPECT_EQ(next, std::vector<std::string>{item(items - 2)});
    EXPECT_EQ(query(doc.c_str(), "#0 ~ li + #99999"), std::vector<std::string>{item(items - 1)});
}

}
