#include "query_helpers.hpp"

#include <gtest/gtest.h>

namespace {

using matching_test::query;
using matching_test::expect_cases;

TEST(chain, descendant_and_child)
{
    const char* list = "<ul><li id=\"1\"><ol><li id=\"2\"/></ol></li></ul>";
    const std::string inner = "<li id=\"2\"/>\n";
    const std::string outer = "<li id=\"1\">\n    <ol>\n        <li id=\"2\"/>\n    </ol>\n</li>\n";
    const char* divs = "<div><div><p/></div></div>";
    expect_cases({
        {"ul li", list, {outer, inner}},
        {"ul > li", list, {outer}},
        {"ol > li", list, {inner}},
        {"ul>li", list, {outer}},
        {"ul  li", list, {outer, inner}},
        {"li li", list, {inner}},
        {"li > li", list, {}},
        {"ul > ol", list, {}},
        {"ul > * > ol", list, {"<ol>\n    <li id=\"2\"/>\n</ol>\n"}},
        {"div p", divs, {"<p/>\n"}},
        {"div div p", divs, {"<p/>\n"}},
        {"div div div p", divs, {}},
        {"div > div > p", divs, {"<p/>\n"}},
        {"div > p", divs, {"<p/>\n"}},
        {"div > div p", divs, {"<p/>\n"}},
        {"p div", divs, {}},
    });
}

TEST(chain, sibling_combinators_see_element_siblings_only)
{
    expect_cases({
        {"a ~ b", "<r><a/><c/><b/></r>", {"<b/>\n"}},
        {"a ~ b", "<r><b/><c/><a/></r>", {}},
        {"a~b", "<r><a/><b/><b id=\"2\"/></r>", {"<b/>\n", "<b id=\"2\"/>\n"}},
        {"a + b", "<r><a/>text<b/></r>", {"<b/>\n"}},
        {"a + b", "<r><a/><!--c--><b/></r>", {"<b/>\n"}},
        {"a + b", "<r><a/><c/><b/></r>", {}},
        {"a+b", "<r><a/><b/><b id=\"2\"/></r>", {"<b/>\n"}},
        {"h1 + p", "<r><h1/><h2/><p/></r>", {}},
        {"h1 ~ p", "<r><h1/><h2/><p/></r>", {"<p/>\n"}},
        // Siblings share the parent: a cousin or an uncle is no sibling.
        {"a ~ b", "<r><s><a/></s><b/></r>", {}},
        {"a + b", "<r><s><a/></s><b/></r>", {}},
        {"a ~ b", "<r><a/><s><b/></s></r>", {}},
        {"b ~ b", "<r><b id=\"1\"/><b id=\"2\"/><b id=\"3\"/></r>",
         {"<b id=\"2\"/>\n", "<b id=\"3\"/>\n"}},
        {"b + b + b", "<r><b id=\"1\"/><b id=\"2\"/><b id=\"3\"/></r>", {"<b id=\"3\"/>\n"}},
    });
}

TEST(chain, the_root_has_no_element_parent_or_sibling)
{
    const char* doc = "<!--c--><html><body/></html>";
    expect_cases({
        {"html > body", doc, {"<body/>\n"}},
        {"* > html", doc, {}},
        {"* html", doc, {}},
        {"* ~ html", doc, {}},
        {"* + html", doc, {}},
        {"* > *", doc, {"<body/>\n"}},
        {"html html", "<html><html/></html>", {"<html/>\n"}},
    });
}

TEST(chain, trailing_combinators_are_never_used)
{
    const char* doc = "<r><a/><b><a/></b></r>";
    const std::vector<std::string> every_a = {"<a/>\n", "<a/>\n"};
    expect_cases({
        {"a >", doc, every_a},
        {"a ~", doc, every_a},
        {"a +", doc, every_a},
    });
}

// The nearest candidate fails further left and a farther one succeeds, so
// the search has to go on past its first choice.
TEST(chain, backtracking_finds_a_farther_candidate)
{
    const char* nested = "<a><b id=\"1\"><x><b id=\"2\"><c/></b></x></b></a>";
    const char* deep = "<div><div><div><div><span/></div></div></div></div>";
    const char* shallow = "<div><div><span/></div></div>";
    expect_cases({
        {"a > b c", nested, {"<c/>\n"}},
        {"x > b c", nested, {"<c/>\n"}},
        {"a > b > c", nested, {}},
        {"a ~ b + c", "<r><a/><b/><x/><b id=\"2\"/><c/></r>", {"<c/>\n"}},
        {"a + b ~ c", "<r><b/><a/><b id=\"2\"/><x/><c/></r>", {"<c/>\n"}},
        {"a + b ~ c", "<r><b/><x/><b id=\"2\"/><a/><c/></r>", {}},
        {"div div div span", deep, {"<span/>\n"}},
        {"div div div div span", deep, {"<span/>\n"}},
        {"div div div div div span", deep, {}},
        {"div div div span", shallow, {}},
        {"div > div div span", deep, {"<span/>\n"}},
        {"div div > div > div > span", deep, {"<span/>\n"}},
    });
}

TEST(chain, combinators_mix_with_compound_tests)
{
    const char* doc =
        "<ul class=\"menu\"><li><a href=\"1\"/></li><li class=\"x\"><a/></li></ul>";
    expect_cases({
        {"ul.menu > li a", doc, {"<a href=\"1\"/>\n", "<a/>\n"}},
        {"ul.menu > li a[href]", doc, {"<a href=\"1\"/>\n"}},
        {"li:first-child + li > a", doc, {"<a/>\n"}},
        {"li:last-child a", doc, {"<a/>\n"}},
        {"ul.other li a", doc, {}},
        {"li.x ~ li a", doc, {}},
        {"li ~ li.x", doc, {"<li class=\"x\">\n    <a/>\n</li>\n"}},
    });
}

}
