// Cutting a type part into namespace, name, ids, classes and pseudo-class
// tokens.
#include "case_name.hpp"
#include "selector/css.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using strings = std::vector<std::string>;

struct type_case {
    const char* what;
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
    type_case{"name_only", "div", "", "div", {}, {}, {}},
    type_case{"universal", "*", "", "*", {}, {}, {}},
    type_case{"every_part", "svg|rect#r.big.red:first-child", "svg", "rect", {"r"}, {"big", "red"}, {"first-child"}},
    type_case{"any_namespace", "*|rect", "*", "rect", {}, {}, {}},
    type_case{"empty_namespace", "|rect", "", "rect", {}, {}, {}},
    type_case{"last_bar_wins", "a|b|c", "b", "c", {}, {}, {}},
    // Case is kept exactly.
    type_case{"case_kept_in_name_and_class", "P.Item", "", "P", {}, {"Item"}, {}},
    type_case{"case_kept_in_id", "DIV#Main", "", "DIV", {"Main"}, {}, {}},
    // A leading sigil leaves the name empty; empty tokens are kept.
    type_case{"id_only", "#x", "", "", {"x"}, {}, {}},
    type_case{"classes_only", ".a.b", "", "", {}, {"a", "b"}, {}},
    type_case{"empty_class", "p.", "", "p", {}, {""}, {}},
    type_case{"empty_id", "#", "", "", {""}, {}, {}},
    type_case{"several_ids", "a#b#c.d#e", "", "a", {"b", "c", "e"}, {"d"}, {}},
    type_case{"pseudo_element_as_empty_token", "p::first-line", "", "p", {}, {}, {"", "first-line"}},
    // Pseudo-class arguments stay raw, and are cut at '#', '.', ':' and '|'.
    type_case{"argument_kept_raw", "li:nth-child(2n+1)", "", "li", {}, {}, {"nth-child(2n+1)"}},
    type_case{"quoted_argument", ":nth-of-type('2')", "", "", {}, {}, {"nth-of-type('2')"}},
    type_case{"argument_cut_at_dot", "a:not(.b)", "", "a", {}, {"b)"}, {"not("}},
    type_case{"argument_cut_at_bar", "a:has(x|y)", "has(x", "a", {}, {}, {"y)"}},
    // A '|' after a sigil names the namespace and keeps the sigil.
    type_case{"bar_after_sigil", "#a|b", "a", "", {"b"}, {}, {}},
    type_case{"tab_in_name", "a\tb", "", "a\tb", {}, {}, {}},
    type_case{"spaces_trimmed", "  div  ", "", "div", {}, {}, {}}),
    case_name());

TEST(TypePart, TextIsTrimmedOfSpacesOnly)
{
    EXPECT_EQ(css_typeselector("  p.x  ").text, "p.x");
    EXPECT_EQ(css_typeselector("p\t").text, "p\t");
}

}
