// Cutting an attribute selector into name, operator and value.
#include "case_name.hpp"
#include "selector/css.hpp"

#include <gtest/gtest.h>

namespace {

struct attribute_case {
    const char* what;
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
    attribute_case{"exists", "[href]", "href", attr_exists, ""},
    attribute_case{"equals", "[a=b]", "a", attr_equals, "b"},
    attribute_case{"includes", "[a~=b]", "a", attr_includes, "b"},
    attribute_case{"prefix", "[a^=b]", "a", attr_prefix, "b"},
    attribute_case{"suffix", "[a$=b]", "a", attr_suffix, "b"},
    attribute_case{"substring", "[a*=b]", "a", attr_substring, "b"},
    attribute_case{"dashmatch", "[a|=b]", "a", attr_dashmatch, "b"},
    attribute_case{"bang_is_part_of_name", "[a!=b]", "a!", attr_equals, "b"},
    // The operator character must touch the '='.
    attribute_case{"spaced_operator", "[a ^= b]", "a", attr_prefix, "b"},
    attribute_case{"operator_apart_from_equals", "[a ^ = b]", "a ^", attr_equals, "b"},
    attribute_case{"double_equals", "[a==b]", "a", attr_equals, "=b"},
    attribute_case{"equals_in_value", "[a=b=c]", "a", attr_equals, "b=c"}),
    case_name());

INSTANTIATE_TEST_SUITE_P(Spacing, AttributeSelector, testing::Values(
    // The bare form keeps its name untrimmed; with an operator both sides
    // are trimmed, before the quotes come off.
    attribute_case{"bare_name_untrimmed", "[ href ]", " href ", attr_exists, ""},
    attribute_case{"both_sides_trimmed", "[ href = 'x' ]", "href", attr_equals, "x"},
    attribute_case{"spaces_in_quotes_kept", "[a=' x ']", "a", attr_equals, " x "},
    attribute_case{"outer_spaces", "  [a=b]  ", "a", attr_equals, "b"},
    attribute_case{"tabs_kept", "[\ta=b\t]", "\ta", attr_equals, "b\t"},
    attribute_case{"case_kept", "[Data-X='Yes']", "Data-X", attr_equals, "Yes"}),
    case_name());

INSTANTIATE_TEST_SUITE_P(Quotes, AttributeSelector, testing::Values(
    attribute_case{"equals_in_single_quotes", "[title='x=y']", "title", attr_equals, "x=y"},
    attribute_case{"equals_in_double_quotes", "[title=\"x=y\"]", "title", attr_equals, "x=y"},
    attribute_case{"quoted_name", "[\"a=b\"=c]", "\"a=b\"", attr_equals, "c"},
    attribute_case{"equals_inside_quote_in_name", "[a'=b']", "a'=b'", attr_exists, ""},
    attribute_case{"escaped_quote_in_name", "[a\\'=b]", "a\\'", attr_equals, "b"},
    attribute_case{"escaped_double_quotes", "[a=\"say \\\"hi\\\"\"]", "a", attr_equals, "say \"hi\""},
    attribute_case{"escaped_single_quote", "[a='it\\'s']", "a", attr_equals, "it's"},
    // The other quote's backslash stays; unbalanced quotes stay.
    attribute_case{"other_quote_escape_kept", "[a=\"x\\'y\"]", "a", attr_equals, "x\\'y"},
    attribute_case{"mismatched_quotes", "[a='x\"]", "a", attr_equals, "'x\""},
    attribute_case{"unclosed_double_quote", "[a=\"x]", "a", attr_equals, "\"x"},
    attribute_case{"lone_quote", "[a=']", "a", attr_equals, "'"},
    attribute_case{"empty_quotes", "[a='']", "a", attr_equals, ""}),
    case_name());

// Unclosed and degenerate brackets: the last character is dropped as the
// ']' unseen, and ranges that would run backwards are empty.
INSTANTIATE_TEST_SUITE_P(Malformed, AttributeSelector, testing::Values(
    attribute_case{"unclosed_bare", "[href", "hre", attr_exists, ""},
    attribute_case{"unclosed_with_value", "[href=xy", "href", attr_equals, "x"},
    attribute_case{"lone_bracket", "[", "", attr_exists, ""},
    attribute_case{"empty_brackets", "[]", "", attr_exists, ""},
    attribute_case{"unclosed_one_letter", "[a", "", attr_exists, ""},
    attribute_case{"unclosed_lone_equals", "[=", "", attr_equals, ""},
    attribute_case{"lone_equals", "[=]", "", attr_equals, ""},
    attribute_case{"unclosed_empty_value", "[a=", "a", attr_equals, ""},
    attribute_case{"empty_value", "[a=]", "a", attr_equals, ""},
    attribute_case{"unclosed_lone_operator", "[~=", "", attr_includes, ""},
    attribute_case{"lone_operator", "[|=]", "", attr_dashmatch, ""},
    attribute_case{"unclosed_quote", "[a='b", "a", attr_equals, "'"},
    // Texts the compound parser never hands over, built directly.
    attribute_case{"empty_text", "", "", attr_exists, ""},
    attribute_case{"equals_alone", "=", "", attr_equals, ""},
    attribute_case{"equals_first", "=x]", "", attr_equals, "x"},
    attribute_case{"operator_first", "~=x]", "", attr_includes, "x"}),
    case_name());

TEST(AttributeSelector, TextKeepsBracketsAndIsTrimmed)
{
    EXPECT_EQ(css_attributeselector("  [a = b]  ").text, "[a = b]");
}

}
