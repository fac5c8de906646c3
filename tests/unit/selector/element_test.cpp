// Cutting a compound into its one surviving type part and its attribute
// selectors.
#include "selector/css.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr const char* no_type = nullptr;

struct element_case {
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
    element_case{"a", "a", {}},
    element_case{"li.item:first-child", "li.item:first-child", {}},
    element_case{"[href]", no_type, {"[href]"}},
    element_case{"[a] [b]", no_type, {"[a]", "[b]"}},
    element_case{"div [lang]", "div", {"[lang]"}},
    element_case{"a[x][y]", "a", {"[x]", "[y]"}},
    // Only the last non-blank run outside brackets survives.
    element_case{"a[x]", "a", {"[x]"}},
    element_case{"[x]a", "a", {"[x]"}},
    element_case{"a[x]b", "b", {"[x]"}},
    element_case{"a[x].b", ".b", {"[x]"}},
    element_case{"a[x] ", "a", {"[x]"}},
    // An unclosed bracket at the end still makes an attribute selector.
    element_case{"a[href", "a", {"[href"}},
    element_case{"a[href=xy", "a", {"[href=xy"}},
    element_case{"a[", "a", {"["}},
    element_case{"*[", "*", {"["}},
    element_case{"[", no_type, {"["}},
    element_case{"[a='b", no_type, {"[a='b"}},
    // Brackets inside quotes, quotes inside brackets.
    element_case{"a[title='x]y']", "a", {"[title='x]y']"}},
    element_case{"a[title=\"[\"]", "a", {"[title=\"[\"]"}},
    element_case{"'[x]'", "'[x]'", {}},
    element_case{"a'[x]", "a'[x]", {}},
    element_case{"a[t='it\\'s]']", "a", {"[t='it\\'s]']"}},
    // Brackets do not nest; a stray ']' is ordinary text.
    element_case{"[[a]", no_type, {"[[a]"}},
    element_case{"[a]]", "]", {"[a]"}},
    element_case{"a]", "a]", {}}));

TEST(CompoundSplit, TextIsTrimmedOfSpacesOnly)
{
    EXPECT_EQ(css_element("  a[x]  ").text, "a[x]");
    EXPECT_EQ(css_element("\ta").text, "\ta");
}

}
