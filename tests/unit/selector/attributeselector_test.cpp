// Cutting an attribute selector into name, operator and value.
#include "selector/css.hpp"

#include <gtest/gtest.h>

namespace {

struct attribute_case {
    const char* text;
    const char* name;
    int op;
    const char* value;
};

class AttributeSelector : public testing::TestWithParam<attribute_case> {};

TEST_P(AttributeSelector, Fields)
{
    const attribute_case& c = GetParam();
    const css_attributeselector attribute(c.text);
    EXPECT_EQ(attribute.name, c.name);
    EXPECT_EQ(attribute.op, c.op);
    EXPECT_EQ(attribute.value, c.value);
}

INSTANTIATE_TEST_SUITE_P(Operators, AttributeSelector, testing::Values(
    attribute_case{"[href]", "href", attr_exists, ""},
    attribute_case{"[a=b]", "a", attr_equals, "b"},
    attribute_case{"[a~=b]", "a", attr_includes, "b"},
    attribute_case{"[a^=b]", "a", attr_prefix, "b"},
    attribute_case{"[a$=b]", "a", attr_suffix, "b"},
    attribute_case{"[a*=b]", "a", attr_substring, "b"},
    attribute_case{"[a|=b]", "a", attr_dashmatch, "b"},
    attribute_case{"[a!=b]", "a!", attr_equals, "b"},
    // The operator character must touch the '='.
    attribute_case{"[a ^= b]", "a", attr_prefix, "b"},
    attribute_case{"[a ^ = b]", "a ^", attr_equals, "b"},
    attribute_case{"[a==b]", "a", attr_equals, "=b"},
    attribute_case{"[a=b=c]", "a", attr_equals, "b=c"}));

INSTANTIATE_TEST_SUITE_P(Spacing, AttributeSelector, testing::Values(
    // The bare form keeps its name untrimmed; with an operator both sides
    // are trimmed, before the quotes come off.
    attribute_case{"[ href ]", " href ", attr_exists, ""},
    attribute_case{"[ href = 'x' ]", "href", attr_equals, "x"},
    attribute_case{"[a=' x ']", "a", attr_equals, " x "},
    attribute_case{"  [a=b]  ", "a", attr_equals, "b"},
    attribute_case{"[\ta=b\t]", "\ta", attr_equals, "b\t"},
    attribute_case{"[Data-X='Yes']", "Data-X", attr_equals, "Yes"}));

INSTANTIATE_TEST_SUITE_P(Quotes, AttributeSelector, testing::Values(
    attribute_case{"[title='x=y']", "title", attr_equals, "x=y"},
    attribute_case{"[title=\"x=y\"]", "title", attr_equals, "x=y"},
    attribute_case{"[\"a=b\"=c]", "\"a=b\"", attr_equals, "c"},
    attribute_case{"[a'=b']", "a'=b'", attr_exists, ""},
    attribute_case{"[a\\'=b]", "a\\'", attr_equals, "b"},
    attribute_case{"[a=\"say \\\"hi\\\"\"]", "a", attr_equals, "say \"hi\""},
    attribute_case{"[a='it\\'s']", "a", attr_equals, "it's"},
    // The other quote's backslash stays; unbalanced quotes stay.
    attribute_case{"[a=\"x\\'y\"]", "a", attr_equals, "x\\'y"},
    attribute_case{"[a='x\"]", "a", attr_equals, "'x\""},
    attribute_case{"[a=\"x]", "a", attr_equals, "\"x"},
    attribute_case{"[a=']", "a", attr_equals, "'"},
    attribute_case{"[a='']", "a", attr_equals, ""}));

// Unclosed and degenerate brackets: the last character is dropped as the
// ']' unseen, and ranges that would run backwards are empty.
INSTANTIATE_TEST_SUITE_P(Malformed, AttributeSelector, testing::Values(
    attribute_case{"[href", "hre", attr_exists, ""},
    attribute_case{"[href=xy", "href", attr_equals, "x"},
    attribute_case{"[", "", attr_exists, ""},
    attribute_case{"[]", "", attr_exists, ""},
    attribute_case{"[a", "", attr_exists, ""},
    attribute_case{"[=", "", attr_equals, ""},
    attribute_case{"[=]", "", attr_equals, ""},
    attribute_case{"[a=", "a", attr_equals, ""},
    attribute_case{"[a=]", "a", attr_equals, ""},
    attribute_case{"[~=", "", attr_includes, ""},
    attribute_case{"[|=]", "", attr_dashmatch, ""},
    attribute_case{"[a='b", "a", attr_equals, "'"},
    // Texts the compound parser never hands over, built directly.
    attribute_case{"", "", attr_exists, ""},
    attribute_case{"=", "", attr_equals, ""},
    attribute_case{"=x]", "", attr_equals, "x"},
    attribute_case{"~=x]", "", attr_includes, "x"}));

TEST(AttributeSelector, TextKeepsBracketsAndIsTrimmed)
{
    EXPECT_EQ(css_attributeselector("  [a = b]  ").text, "[a = b]");
}

}
