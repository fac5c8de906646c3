// Cutting a type part into namespace, name, ids, classes and pseudo-class
// tokens.
#include "selector/css.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using strings = std::vector<std::string>;

struct type_case {
    const char* text;
    const char* namespace_name;
    const char* name;
    strings ids;
    strings classes;
    strings functions;
};

class TypePart : public testing::TestWithParam<type_case> {};

TEST_P(TypePart, Fields)
{
    const type_case& c = GetParam();
    const css_typeselector type(c.text);
    EXPECT_EQ(type.namespace_name, c.namespace_name);
    EXPECT_EQ(type.name, c.name);
    EXPECT_EQ(type.ids, c.ids);
    EXPECT_EQ(type.classes, c.classes);
    EXPECT_EQ(type.functions, c.functions);
}

INSTANTIATE_TEST_SUITE_P(Selector, TypePart, testing::Values(
    type_case{"div", "", "div", {}, {}, {}},
    type_case{"*", "", "*", {}, {}, {}},
    type_case{"svg|rect#r.big.red:first-child", "svg", "rect", {"r"}, {"big", "red"}, {"first-child"}},
    type_case{"*|rect", "*", "rect", {}, {}, {}},
    type_case{"|rect", "", "rect", {}, {}, {}},
    type_case{"a|b|c", "b", "c", {}, {}, {}},
    // Case is kept exactly.
    type_case{"P.Item", "", "P", {}, {"Item"}, {}},
    type_case{"DIV#Main", "", "DIV", {"Main"}, {}, {}},
    // A leading sigil leaves the name empty; empty tokens are kept.
    type_case{"#x", "", "", {"x"}, {}, {}},
    type_case{".a.b", "", "", {}, {"a", "b"}, {}},
    type_case{"p.", "", "p", {}, {""}, {}},
    type_case{"#", "", "", {""}, {}, {}},
    type_case{"a#b#c.d#e", "", "a", {"b", "c", "e"}, {"d"}, {}},
    type_case{"p::first-line", "", "p", {}, {}, {"", "first-line"}},
    // Pseudo-class arguments stay raw, and are cut at '#', '.', ':' and '|'.
    type_case{"li:nth-child(2n+1)", "", "li", {}, {}, {"nth-child(2n+1)"}},
    type_case{":nth-of-type('2')", "", "", {}, {}, {"nth-of-type('2')"}},
    type_case{"a:not(.b)", "", "a", {}, {"b)"}, {"not("}},
    type_case{"a:has(x|y)", "has(x", "a", {}, {}, {"y)"}},
    // A '|' after a sigil names the namespace and keeps the sigil.
    type_case{"#a|b", "a", "", {"b"}, {}, {}},
    type_case{"a\tb", "", "a\tb", {}, {}, {}},
    type_case{"  div  ", "", "div", {}, {}, {}}));

TEST(TypePart, TextIsTrimmedOfSpacesOnly)
{
    EXPECT_EQ(css_typeselector("  p.x  ").text, "p.x");
    EXPECT_EQ(css_typeselector("p\t").text, "p\t");
}

}
