// Splitting a chain into compounds: space runs, explicit combinators and the
// protected stretches in which neither splits.
#include "case_name.hpp"
#include "selector/css.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct chain_case {
    const char* what;
    const char* text;
    std::vector<std::string> elements;
    std::string combinators;
};

class ChainSplit : public testing::TestWithParam<chain_case> {};

TEST_P(ChainSplit, ElementsAndCombinators)
{
    const chain_case& c = GetParam();
    const css_chain chain(c.text);
    std::vector<std::string> texts;
    for (const css_element& element : chain.elements)
        texts.push_back(element.text);
    EXPECT_EQ(texts, c.elements);
    EXPECT_EQ(std::string(chain.combinators.begin(), chain.combinators.end()), c.combinators);
}

INSTANTIATE_TEST_SUITE_P(Selector, ChainSplit, testing::Values(
    chain_case{"empty", "", {}, ""},
    chain_case{"spaces_only", "   ", {}, ""},
    chain_case{"one_compound", "div", {"div"}, ""},
    chain_case{"child_then_descendant", "div > p span", {"div", "p", "span"}, "> "},
    chain_case{"descendant_then_child", "div p > span", {"div", "p", "span"}, " >"},
    chain_case{"space_run", "a   b", {"a", "b"}, " "},
    chain_case{"child_unspaced", "a>b", {"a", "b"}, ">"},
    chain_case{"child_spaced", "a > b", {"a", "b"}, ">"},
    chain_case{"child_space_before", "a >b", {"a", "b"}, ">"},
    chain_case{"child_space_after", "a> b", {"a", "b"}, ">"},
    chain_case{"adjacent_and_general_sibling", "a + b ~ c", {"a", "b", "c"}, "+~"},
    chain_case{"every_combinator", "a+b~c>d e", {"a", "b", "c", "d", "e"}, "+~> "},
    // A trailing combinator is recorded but joins nothing.
    chain_case{"trailing_child", "a >", {"a"}, ">"},
    chain_case{"trailing_sibling", "a ~", {"a"}, "~"},
    chain_case{"trailing_after_descendant", "a b >", {"a", "b"}, " >"},
    // A combinator with no compound before it is dropped.
    chain_case{"leading_dropped", "> a", {"a"}, ""},
    chain_case{"lone_combinator", ">", {}, ""},
    chain_case{"only_combinators", "> + ~", {}, ""},
    chain_case{"doubled_child", "a >> b", {"a", "b"}, ">"},
    chain_case{"adjacent_after_child_dropped", "a > + b", {"a", "b"}, ">"},
    chain_case{"spaced_doubled_child", "a > > b", {"a", "b"}, ">"},
    // Entering brackets or quotes cancels a pending descendant combinator.
    chain_case{"space_before_bracket_joins", "div [lang]", {"div [lang]"}, ""},
    chain_case{"space_before_quote_joins", "div 'x'", {"div 'x'"}, ""},
    chain_case{"space_in_quotes", "a 'b c' d", {"a 'b c'", "d"}, " "},
    chain_case{"bracket_then_descendant", "[a] b", {"[a]", "b"}, " "},
    chain_case{"child_then_bracket", "a > [b]", {"a", "[b]"}, ">"},
    // Combinator characters inside brackets or quotes are ordinary.
    chain_case{"tilde_in_brackets", "[a~=b]", {"[a~=b]"}, ""},
    chain_case{"child_in_quoted_value", "[title='x > y']", {"[title='x > y']"}, ""},
    chain_case{"plus_in_double_quotes", "a[title=\"x + y\"] ~ b", {"a[title=\"x + y\"]", "b"}, "~"},
    chain_case{"unclosed_bracket_protects", "a [b > c", {"a [b > c"}, ""},
    // Parentheses protect nothing.
    chain_case{"plus_in_parentheses_splits", "li:nth-child(2n+1)", {"li:nth-child(2n", "1)"}, "+"},
    chain_case{"plus_in_quoted_argument", "li:nth-child('2n+1')", {"li:nth-child('2n+1')"}, ""},
    chain_case{"spaced_plus_in_parentheses", "li:nth-child(2n + 1)", {"li:nth-child(2n", "1)"}, "+"},
    // Only 0x20 separates; a tab is part of the name.
    chain_case{"tab_joins", "a\tb", {"a\tb"}, ""},
    chain_case{"tabs_around_child", "a\t>\tb", {"a\t", "\tb"}, ">"},
    // A stray ']' is an ordinary character; a backslash escapes no combinator.
    chain_case{"stray_closing_bracket", "a ]b", {"a", "]b"}, " "},
    chain_case{"backslash_escapes_no_child", "a\\>b", {"a\\", "b"}, ">"},
    chain_case{"backslash_escapes_no_space", "a\\ b", {"a\\", "b"}, " "}),
    case_name());

TEST(ChainSplit, TextIsTrimmedOfSpacesOnly)
{
    EXPECT_EQ(css_chain("   a > b   ").text, "a > b");
    EXPECT_EQ(css_chain("\ta\t").text, "\ta\t");
}

// Long runs of refused combinators must not lose the compounds around them.
TEST(ChainSplit, LongRunOfDroppedCombinators)
{
    std::string text = "a";
    for (int i = 0; i < 100000; ++i)
        text += " >";
    text += " b";
    const css_chain chain(text);
    ASSERT_EQ(chain.elements.size(), 2u);
    EXPECT_EQ(chain.elements[0].text, "a");
    EXPECT_EQ(chain.elements[1].text, "b");
    EXPECT_EQ(std::string(chain.combinators.begin(), chain.combinators.end()), ">");
}

TEST(ChainSplit, ManyCompounds)
{
    std::string text;
    for (int i = 0; i < 50000; ++i)
        text += "a > b ";
    const css_chain chain(text);
    EXPECT_EQ(chain.elements.size(), 100000u);
    ASSERT_EQ(chain.combinators.size(), 99999u);
    EXPECT_EQ(chain.combinators[0], '>');
    EXPECT_EQ(chain.combinators[1], ' ');
}

}
