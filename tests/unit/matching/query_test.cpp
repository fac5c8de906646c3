#include "query_helpers.hpp"
#include "selector/css.hpp"

#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

using matching_test::query;
using matching_test::query_text;

// The outline the selector prints for itself, captured from standard error.
std::string dump_of(const char* selector)
{
    const css_groups group(selector);
    testing::internal::CaptureStderr();
    group.dump(0);
    return testing::internal::GetCapturedStderr();
}

std::string nested(const char* name, int depth)
{
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += std::string("<") + name + ">";
    for (int i = 0; i < depth; ++i)
        text += std::string("</") + name + ">";
    return text;
}

TEST(query, every_element_in_pre_order_with_the_printers_layout)
{
    const char* doc = "<html><head/><body><p>Hi</p></body></html>";
    EXPECT_EQ(query(doc, "*"), (std::vector<std::string>{
        "<html>\n    <head/>\n    <body>\n        <p>Hi</p>\n    </body>\n</html>\n",
        "<head/>\n",
        "<body>\n    <p>Hi</p>\n</body>\n",
        "<p>Hi</p>\n",
    }));
}

TEST(query, descendants_come_before_following_siblings)
{
    const char* doc = "<r><a id=\"1\"><a id=\"2\"><a id=\"3\"/></a><a id=\"4\"/></a><a id=\"5\"/></r>";
    const auto results = query(doc, "a:empty");
    EXPECT_EQ(results, (std::vector<std::string>{
        "<a id=\"3\"/>\n", "<a id=\"4\"/>\n", "<a id=\"5\"/>\n"}));
    const auto ids = query(doc, "#1, #2, #3, #4, #5");
    ASSERT_EQ(ids.size(), 5u);
    for (std::size_t i = 0; i < ids.size(); ++i)
        EXPECT_EQ(ids[i].substr(0, 9), "<a id=\"" + std::to_string(i + 1) + "\"") << ids[i];
}

TEST(query, a_match_inside_a_match_is_printed_again)
{
    EXPECT_EQ(query("<div><div/></div>", "div"),
              (std::vector<std::string>{"<div>\n    <div/>\n</div>\n", "<div/>\n"}));
    EXPECT_EQ(query("<a><b><c/></b></a>", "a, b, c"), (std::vector<std::string>{
        "<a>\n    <b>\n        <c/>\n    </b>\n</a>\n",
        "<b>\n    <c/>\n</b>\n",
        "<c/>\n",
    }));
}

TEST(query, each_element_is_listed_once_whatever_the_group)
{
    const char* doc = "<div><p id=\"1\"/><p id=\"2\"/></div>";
    const std::vector<std::string> both = {"<p id=\"1\"/>\n", "<p id=\"2\"/>\n"};
    EXPECT_EQ(query(doc, "p, p"), both);
    EXPECT_EQ(query(doc, "div p, p, p:first-child"), both);
    // The group's order has no effect on the results' order.
    EXPECT_EQ(query(doc, "#2, #1"), both);
    EXPECT_EQ(query(doc, "p,,p"), both);
}

TEST(query, unmatched_parents_still_have_their_children_visited)
{
    EXPECT_EQ(query("<r><x><y><p/></y></x></r>", "p"), std::vector<std::string>{"<p/>\n"});
    EXPECT_EQ(query("<r><p/></r>", "q"), std::vector<std::string>{});
    EXPECT_EQ(query("<r><p/></r>", ""), std::vector<std::string>{});
    EXPECT_EQ(query("<r><p/></r>", "   "), std::vector<std::string>{});
}

TEST(query, results_are_appended_to_what_the_caller_holds)
{
    std::vector<std::string> results = {"kept"};
    query_text(results, "<r><p/></r>", "p");
    EXPECT_EQ(results, (std::vector<std::string>{"kept", "<p/>\n"}));
    query_text(results, "<r><p/></r>", "q");
    EXPECT_EQ(results.size(), 2u);
}

TEST(query, content_is_printed_as_the_library_prints_it)
{
    struct layout_case {
        const char* xhtml;
        const char* selector;
        const char* printed;
    };
    const layout_case cases[] = {
        {"<p title=\"a&amp;b\">x &lt; y</p>", "p", "<p title=\"a&amp;b\">x &lt; y</p>\n"},
        {"<p><![CDATA[x<y]]></p>", "p", "<p><![CDATA[x<y]]></p>\n"},
        {"<p><!--c--></p>", "p", "<p>\n    <!--c-->\n</p>\n"},
        {"<p>a<b>c</b>d</p>", "p", "<p>a<b>c</b>d</p>\n"},
        {"<r><p>a<b>c</b></p></r>", "r", "<r>\n    <p>a<b>c</b>\n    </p>\n</r>\n"},
        {"<p>  x  </p>", "p", "<p>  x  </p>\n"},
        {"<p a=\"1\" b=\"2\"/>", "p", "<p a=\"1\" b=\"2\"/>\n"},
        {"<a><b><c><d/></c></b></a>", "a",
         "<a>\n    <b>\n        <c>\n            <d/>\n        </c>\n    </b>\n</a>\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(query(c.xhtml, c.selector), std::vector<std::string>{c.printed}) << c.xhtml;
}

TEST(query, only_the_first_top_level_element_is_walked)
{
    EXPECT_EQ(query("<a/><b/>", "*"), std::vector<std::string>{"<a/>\n"});
    EXPECT_EQ(query("<a/><b/>", "b"), std::vector<std::string>{});
}

// The parser's verdict is the caller's to report; the query shows the
// outline whether or not the document parsed, and a document that did not
// gives nothing.
TEST(query, verbose_shows_the_outline_whether_or_not_the_document_parsed)
{
    struct error_case {
        const char* xhtml;
        tinyxml2::XMLError verdict;
    };
    const error_case cases[] = {
        {"", tinyxml2::XML_ERROR_EMPTY_DOCUMENT},
        {"   ", tinyxml2::XML_ERROR_EMPTY_DOCUMENT},
        {"<a><b></a>", tinyxml2::XML_ERROR_MISMATCHED_ELEMENT},
        {"<a", tinyxml2::XML_ERROR_PARSING_ELEMENT},
        {"<r><p/></r>", tinyxml2::XML_SUCCESS},
    };
    for (const auto& c : cases) {
        const parsed_xhtml parsed(c.xhtml);
        EXPECT_EQ(parsed.error, c.verdict) << c.xhtml;
        std::vector<std::string> results;
        std::ostringstream diagnostics;
        query_document(results, true, parsed.document, "[x]", diagnostics);
        EXPECT_EQ(diagnostics.str(), "[x]\n0:\n\t[x]\n\tElement 0:\n\t\t[x]\n") << c.xhtml;
        EXPECT_EQ(diagnostics.str(), dump_of("[x]"));
        EXPECT_TRUE(results.empty()) << c.xhtml;
    }
}

TEST(query, quiet_query_writes_nothing_on_standard_error)
{
    for (const char* xhtml : {"", "<a><b></a>", "<r><p/></r>"}) {
        std::vector<std::string> results;
        testing::internal::CaptureStderr();
        query_text(results, xhtml, "p");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << xhtml;
    }
}

TEST(query, missing_texts_count_as_empty)
{
    std::vector<std::string> results;
    query_text(results, nullptr, "p");
    query_text(results, "<p/>", nullptr);
    EXPECT_TRUE(results.empty());
}

// The XML library refuses documents nested deeper than its limit; anything
// it accepts must be walked and printed without trouble.
TEST(query, nesting_up_to_the_parsers_limit)
{
    const int limit = 98;
    const std::string deepest = nested("d", limit);
    std::string layout;
    for (int level = 0; level < limit - 1; ++level)
        layout += std::string(4 * std::size_t(level), ' ') + "<d>\n";
    layout += std::string(4 * std::size_t(limit - 1), ' ') + "<d/>\n";
    for (int level = limit - 2; level >= 0; --level)
        layout += std::string(4 * std::size_t(level), ' ') + "</d>\n";

    const auto every = query(deepest.c_str(), "d");
    ASSERT_EQ(every.size(), std::size_t(limit));
    EXPECT_EQ(every.front(), layout);
    EXPECT_EQ(every.back(), "<d/>\n");

    std::string chain = "d";
    for (int i = 1; i < limit; ++i)
        chain += " d";
    EXPECT_EQ(query(deepest.c_str(), chain.c_str()), std::vector<std::string>{"<d/>\n"});
    EXPECT_EQ(query(deepest.c_str(), (chain + " d").c_str()), std::vector<std::string>{});

    const std::string too_deep = nested("d", limit + 1);
    const parsed_xhtml refused(too_deep.c_str());
    EXPECT_EQ(refused.error, tinyxml2::XML_ELEMENT_DEPTH_EXCEEDED);
    EXPECT_EQ(query(too_deep.c_str(), "d"), std::vector<std::string>{});
}

}
