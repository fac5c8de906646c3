// Cutting an attribute selector into name, operator and value.
#include "case_name.hpp"
#include "selector/css.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

struct attribute_case {
    const char* what;
    const char* text;
    const char* name;
    int op;
    const char* value;
};

class AttributeSelector : public testing::TestWithParam<attribute_case> {};

void expect_fields(const css_attributeselector& attribute, const attribute_case& c)
{
    EXPECT_EQ(attribute.name, c.name);
    EXPECT_EQ(attribute.op, c.op);
    EXPECT_EQ(attribute.value, c.value);
}

TEST_P(AttributeSelector, Fields)
{
    expect_fields(css_attributeselector(GetParam().text), GetParam());
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
    attribute_case{"unclosed_quote", "[a='b", "a", attr_equals, "'"}),
    case_name());

// The texts the compound parser hands over at the edges, after a type name:
// always from the '[' on, so an empty name lies between the '[' and the
// operator, and a compound that ends inside a bracket hands over what it
// holds.
class HandedOver : public testing::TestWithParam<attribute_case> {};

TEST_P(HandedOver, AfterATypeName)
{
    const css_element element(std::string("a") + GetParam().text);
    ASSERT_EQ(element.attributes.size(), 1u);
    EXPECT_EQ(element.attributes[0].text, GetParam().text);
    expect_fields(element.attributes[0], GetParam());
}

INSTANTIATE_TEST_SUITE_P(AttributeSelector, HandedOver, testing::Values(
    attribute_case{"empty_name_before_equals", "[=x]", "", attr_equals, "x"},
    attribute_case{"empty_name_before_operator", "[~=x]", "", attr_includes, "x"},
    attribute_case{"lone_bracket_ends_compound", "[", "", attr_exists, ""},
    attribute_case{"operator_ends_compound", "[|=", "", attr_dashmatch, ""},
    attribute_case{"quoted_bracket_in_value", "[title='x]y']", "title", attr_equals, "x]y"}),
    case_name());

TEST(AttributeSelector, TextKeepsBracketsAndIsTrimmed)
{
    EXPECT_EQ(css_attributeselector("  [a = b]  ").text, "[a = b]");
}

}
