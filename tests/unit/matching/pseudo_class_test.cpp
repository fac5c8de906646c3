#include "matching/pseudo_class.hpp"
#include "query_helpers.hpp"

#include <climits>
#include <gtest/gtest.h>
#include <tinyxml2.h>

namespace {

using matching_test::query;
using matching_test::expect_cases;

TEST(pseudo_class, tokens_split_into_name_and_number)
{
    struct token_case {
        const char* token;
        pseudo_kind kind;
        int n;
    };
    const token_case cases[] = {
        {"nth-child(3)", pseudo_kind::nth_child, 3},
        {"NTH-Child(3)", pseudo_kind::nth_child, 3},
        {"nth-child('2')", pseudo_kind::nth_child, 2},
        {"nth-child(\"2\")", pseudo_kind::nth_child, 2},
        {"nth-child( 7)", pseudo_kind::nth_child, 7},
        {"nth-child(12))", pseudo_kind::nth_child, 12},
        {"nth-child(3", pseudo_kind::nth_child, 0},  // the last character is dropped
        {"nth-child(", pseudo_kind::nth_child, 0},
        {"nth-child()", pseudo_kind::nth_child, 0},
        {"nth-child", pseudo_kind::nth_child, 0},
        {"nth-child(odd)", pseudo_kind::nth_child, 0},
        {"nth-child(2n+1)", pseudo_kind::nth_child, 2},
        {"nth-child(-5)", pseudo_kind::nth_child, -5},
        {"nth-child(99999999999)", pseudo_kind::nth_child, INT_MAX},
        {"nth-last-child(-99999999999)", pseudo_kind::nth_last_child, INT_MIN},
        {"nth-of-type(1)", pseudo_kind::nth_of_type, 1},
        {"nth-last-of-type(1)", pseudo_kind::nth_last_of_type, 1},
        {"first-of-type", pseudo_kind::first_child, 0},
        {"last-of-type", pseudo_kind::last_child, 0},
        {"LAST-OF-TYPE", pseudo_kind::last_child, 0},
        {"nth-lAst-child(2)", pseudo_kind::nth_last_child, 2},
        {"first-child(5)", pseudo_kind::first_child, 5},
        {"only-child", pseudo_kind::only_child, 0},
        {"only-of-type", pseudo_kind::only_of_type, 0},
        {"empty", pseudo_kind::empty, 0},
        {"EMPTY", pseudo_kind::empty, 0},
        {"nth-child (3)", pseudo_kind::no_condition, 3},
        {"", pseudo_kind::no_condition, 0},
        {"hover", pseudo_kind::no_condition, 0},
        {"not(p)", pseudo_kind::no_condition, 0},
        {"(3)", pseudo_kind::no_condition, 3},
    };
    for (const auto& c : cases) {
        const pseudo_class parsed = parse_pseudo_class(c.token);
        EXPECT_EQ(parsed.kind, c.kind) << c.token;
        EXPECT_EQ(parsed.n, c.n) << c.token;
    }
}

// The nth-last arithmetic over the whole int range: only 0 <= n < count can
// match, and extreme n must neither wrap around nor overflow.
TEST(pseudo_class, nth_last_positions_at_the_limits)
{
    tinyxml2::XMLDocument document;
    ASSERT_EQ(document.Parse("<p/>"), tinyxml2::XML_SUCCESS);
    const auto& p = *document.FirstChildElement();
    struct limit_case {
        int index;
        int count;
        int n;
        bool holds;
    };
    const limit_case cases[] = {
        {0, 3, 2, true}, {2, 3, 0, true}, {1, 3, 1, true}, {0, 3, 1, false},
        {0, 3, 3, false}, {2, 3, -1, false}, {0, 3, -3, false},
        {0, 3, INT_MIN, false}, {2, 3, INT_MIN, false}, {0, 3, INT_MAX, false},
        {INT_MAX - 1, INT_MAX, 0, true}, {0, INT_MAX, INT_MAX - 1, true},
        {0, INT_MAX, INT_MIN, false}, {-1, 0, 0, false}, {-1, 0, -1, false},
    };
    for (const auto& c : cases) {
        const sibling_position child{c.index, c.count, -1, 0};
        const sibling_position element{-1, 0, c.index, c.count};
        EXPECT_EQ(pseudo_class_holds({pseudo_kind::nth_last_child, c.n}, p, child), c.holds)
            << c.index << " of " << c.count << " n=" << c.n;
        EXPECT_EQ(pseudo_class_holds({pseudo_kind::nth_last_of_type, c.n}, p, element), c.holds)
            << c.index << " of " << c.count << " n=" << c.n;
    }
}

TEST(pseudo_class, positions_in_a_plain_list)
{
    const char* list = "<ul>\n  <li id=\"a\"/>\n  <li id=\"b\"/>\n</ul>";
    const std::vector<std::string> first = {"<li id=\"a\"/>\n"};
    const std::vector<std::string> second = {"<li id=\"b\"/>\n"};
    expect_cases({
        {"li:first-child", list, first},
        {"li:nth-child(0)", list, first},
        {"li:nth-last-child(1)", list, first},
        {"li:first-of-type", list, first},
        {"li:nth-of-type(0)", list, first},
        {"li:nth-last-of-type(1)", list, first},
        {"li:last-child", list, second},
        {"li:nth-child(1)", list, second},
        {"li:nth-last-child(0)", list, second},
        {"li:last-of-type", list, second},
        {"li:nth-of-type(1)", list, second},
        {"li:nth-last-of-type(0)", list, second},
        {"li:nth-last-child", list, second},
        {"li:nth-child", list, first},
        {"li:nth-child(2)", list, {}},
        {"li:nth-last-child(2)", list, {}},
        {"li:first-child:last-child", list, {}},
        {"LI:FIRST-CHILD", list, first},
        {"li:First-Of-Type", list, first},
        {"li:first-child(5)", list, first},
    });
}

TEST(pseudo_class, child_names_count_every_node_and_of_type_names_count_elements)
{
    const char* text_first = "<p>Hello <b/></p>";
    const char* comment_first = "<p><!--c--><b/></p>";
    // a(0) text(1) b(2) a(3) as child nodes; a(0) b(1) a(2) as elements.
    const char* mixed = "<r><a id=\"1\"/>t<b/><a id=\"2\"/></r>";
    expect_cases({
        {"b:first-child", text_first, {}},
        {"b:first-of-type", text_first, {}},
        {"b:nth-of-type(0)", text_first, {"<b/>\n"}},
        {"b:last-child", text_first, {"<b/>\n"}},
        {"b:nth-child(1)", text_first, {"<b/>\n"}},
        {"b:first-child", comment_first, {}},
        {"b:nth-of-type(0)", comment_first, {"<b/>\n"}},
        {"b:nth-last-child(0)", comment_first, {"<b/>\n"}},
        {"a:nth-of-type(2)", mixed, {"<a id=\"2\"/>\n"}},
        {"a:nth-child(2)", mixed, {}},
        {"a:nth-child(3)", mixed, {"<a id=\"2\"/>\n"}},
        {"b:nth-last-of-type(1)", mixed, {"<b/>\n"}},
        {"b:nth-last-child(1)", mixed, {"<b/>\n"}},
        {"a:nth-last-child(3)", mixed, {"<a id=\"1\"/>\n"}},
        {"a:nth-last-of-type(2)", mixed, {"<a id=\"1\"/>\n"}},
        {"a:last-of-type", mixed, {"<a id=\"2\"/>\n"}},
    });
}

TEST(pseudo_class, an_empty_last_element_is_last_like_any_other)
{
    const char* list = "<ul><li>x</li><li/></ul>";
    for (const char* selector : {"li:last-child", "li:last-of-type", "li:nth-last-child(0)",
                                 "li:nth-last-of-type(0)", "li:empty"})
        EXPECT_EQ(query(list, selector), std::vector<std::string>{"<li/>\n"}) << selector;
}

TEST(pseudo_class, empty_means_no_child_node_of_any_kind)
{
    const char* doc = "<r><p/><p>   </p><p><!--c--></p><p>&#160;</p><p><b/></p></r>";
    EXPECT_EQ(query(doc, "p:empty"), (std::vector<std::string>{"<p/>\n", "<p/>\n"}));
    EXPECT_EQ(query(doc, "p:empty(1)"), (std::vector<std::string>{"<p/>\n", "<p/>\n"}));
}

TEST(pseudo_class, the_root_counts_among_the_documents_nodes_but_has_no_element_parent)
{
    const char* alone = "<r/>";
    const char* declared = "<?xml version=\"1.0\"?><r/>";
    const char* commented = "<!--c--><r/><!--d-->";
    expect_cases({
        {"r:nth-of-type(0)", alone, {}},
        {"r:nth-last-of-type(0)", alone, {}},
        {"r:first-of-type", alone, {"<r/>\n"}},
        {"r:first-child", alone, {"<r/>\n"}},
        {"r:last-child", alone, {"<r/>\n"}},
        {"r:only-child", alone, {"<r/>\n"}},
        {"r:only-of-type", alone, {}},
        {"r:first-child", declared, {}},
        {"r:last-child", declared, {"<r/>\n"}},
        {"r:nth-child(1)", declared, {"<r/>\n"}},
        {"r:only-child", declared, {}},
        {"r:nth-child(1)", commented, {"<r/>\n"}},
        {"r:last-child", commented, {}},
        {"r:nth-last-child(1)", commented, {"<r/>\n"}},
    });
}

TEST(pseudo_class, only_child_counts_nodes_and_only_of_type_counts_elements)
{
    const char* doc = "<r><a><b/></a><c><b/>t</c><d><b/><e/></d></r>";
    expect_cases({
        {"b:only-child", doc, {"<b/>\n"}},
        {"b:only-of-type", doc, {"<b/>\n", "<b/>\n"}},
        {"e:only-of-type", doc, {}},
        {"a:only-child", doc, {}},
    });
}

TEST(pseudo_class, arguments_are_plain_integers)
{
    const char* list = "<ul><li id=\"0\"/><li id=\"1\"/><li id=\"2\"/></ul>";
    const std::string li0 = "<li id=\"0\"/>\n";
    const std::string li1 = "<li id=\"1\"/>\n";
    const std::string li2 = "<li id=\"2\"/>\n";
    expect_cases({
        {"li:nth-child(odd)", list, {li0}},
        {"li:nth-child(even)", list, {li0}},
        {"li:nth-child(n)", list, {li0}},
        {"li:nth-child('2n+1')", list, {li2}},
        // Unquoted, the '+' is a combinator: "li:nth-child(2n" + an element "1)".
        {"li:nth-child(2n+1)", list, {}},
        {"li:nth-child(-1)", list, {}},
        {"li:nth-child('1')", list, {li1}},
        {"li:nth-child(\"1\")", list, {li1}},
        {"li:nth-of-type(-1)", list, {}},
        {"li:nth-last-child(-1)", list, {}},
        {"li:nth-last-child(3)", list, {}},
        {"li:nth-last-child(-2147483648)", list, {}},
        {"li:nth-last-child(-99999999999)", list, {}},
        {"li:nth-last-of-type(-2147483648)", list, {}},
        {"li:nth-last-child(2147483647)", list, {}},
        {"li:nth-last-of-type(99999999999)", list, {}},
        {"li:nth-child(2147483647)", list, {}},
        {"li:nth-child(-2147483648)", list, {}},
    });
}

TEST(pseudo_class, unknown_tokens_place_no_condition)
{
    const char* doc = "<r><a/><p/><p>x</p></r>";
    expect_cases({
        {"a:hover", doc, {"<a/>\n"}},
        {"p::before", doc, {"<p/>\n", "<p>x</p>\n"}},
        {"p:not(p)", doc, {"<p/>\n", "<p>x</p>\n"}},
        {"p:", doc, {"<p/>\n", "<p>x</p>\n"}},
        {"p:hover:empty", doc, {"<p/>\n"}},
    });
}

}
