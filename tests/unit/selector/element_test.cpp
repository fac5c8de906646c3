// Cutting a compound into its one surviving type part and its attribute
// selectors.
#include "case_name.hpp"
#include "selector/css.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr const char* no_type = nullptr;

struct element_case {
    const char* what;
    const char* text;
    const char* type_text;  // no_type when the compound has no type part
    std::vector<std::string> attributes;
};

class CompoundSplit : public testing::TestWithParam<element_case> {};

TEST_P(CompoundSplit, TypePartAndAttributes)
{
    const element_case& c = GetParam();
    const css_element element(c.text);
    if (c.type_text == no_type) {
        EXPECT_EQ(element.type_selector, nullptr);
    } else {
        ASSERT_NE(element.type_selector, nullptr);
        EXPECT_EQ(element.type_selector->text, c.type_text);
    }
    std::vector<std::string> texts;
    for (const css_attributeselector& attribute : element.attributes)
        texts.push_back(attribute.text);
    EXPECT_EQ(texts, c.attributes);
}

INSTANTIATE_TEST_SUITE_P(Selector, CompoundSplit, testing::Values(
    element_case{"type_only", "a", "a", {}},
    element_case{"type_with_class_and_pseudo", "li.item:first-child", "li.item:first-child", {}},
    element_case{"attribute_only", "[href]", no_type, {"[href]"}},
    element_case{"two_attributes_with_space", "[a] [b]", no_type, {"[a]", "[b]"}},
    element_case{"space_before_bracket", "div [lang]", "div", {"[lang]"}},
    element_case{"type_then_two_attributes", "a[x][y]", "a", {"[x]", "[y]"}},
    // Only the last non-blank run outside brackets survives.
    element_case{"type_then_attribute", "a[x]", "a", {"[x]"}},
    element_case{"attribute_then_type", "[x]a", "a", {"[x]"}},
    element_case{"later_run_replaces_type", "a[x]b", "b", {"[x]"}},
    element_case{"later_class_replaces_type", "a[x].b", ".b", {"[x]"}},
    element_case{"trailing_space", "a[x] ", "a", {"[x]"}},
    // An unclosed bracket at the end still makes an attribute selector.
    element_case{"unclosed_bracket", "a[href", "a", {"[href"}},
    element_case{"unclosed_bracket_with_value", "a[href=xy", "a", {"[href=xy"}},
    element_case{"lone_bracket_after_type", "a[", "a", {"["}},
    element_case{"lone_bracket_after_universal", "*[", "*", {"["}},
    element_case{"lone_bracket", "[", no_type, {"["}},
    element_case{"unclosed_quote_in_bracket", "[a='b", no_type, {"[a='b"}},
    // Brackets inside quotes, quotes inside brackets.
    element_case{"bracket_in_single_quotes", "a[title='x]y']", "a", {"[title='x]y']"}},
    element_case{"bracket_in_double_quotes", "a[title=\"[\"]", "a", {"[title=\"[\"]"}},
    element_case{"brackets_in_quotes_outside_brackets", "'[x]'", "'[x]'", {}},
    element_case{"open_quote_hides_brackets", "a'[x]", "a'[x]", {}},
    element_case{"escaped_quote_in_value", "a[t='it\\'s]']", "a", {"[t='it\\'s]']"}},
    // Brackets do not nest; a stray ']' is ordinary text.
    element_case{"brackets_do_not_nest", "[[a]", no_type, {"[[a]"}},
    element_case{"stray_closing_bracket_after", "[a]]", "]", {"[a]"}},
    element_case{"stray_closing_bracket_alone", "a]", "a]", {}}),
    case_name());

TEST(CompoundSplit, TextIsTrimmedOfSpacesOnly)
{
    EXPECT_EQ(css_element("  a[x]  ").text, "a[x]");
    EXPECT_EQ(css_element("\ta").text, "\ta");
}

}
