// Splitting a selector group into chains: commas, and the quotes and
// brackets that protect them.
#include "case_name.hpp"
#include "selector/css.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct group_case {
    const char* what;
    const char* selector;
    std::vector<std::string> chain_texts;
};

class GroupSplit : public testing::TestWithParam<group_case> {};

TEST_P(GroupSplit, ChainTexts)
{
    const group_case& c = GetParam();
    const css_groups group(c.selector);
    EXPECT_EQ(group.text, c.selector);
    std::vector<std::string> texts;
    for (const css_chain& chain : group.chains)
        texts.push_back(chain.text);
    EXPECT_EQ(texts, c.chain_texts);
}

INSTANTIATE_TEST_SUITE_P(Selector, GroupSplit, testing::Values(
    group_case{"empty", "", {}},
    group_case{"spaces_only", "     ", {}},
    group_case{"one_chain", "a", {"a"}},
    group_case{"empty_chain_between", "a,,b", {"a", "", "b"}},
    group_case{"leading_comma", ",a", {"", "a"}},
    group_case{"trailing_comma_dropped", "a,", {"a"}},
    group_case{"trailing_comma_and_space", "a, ", {"a"}},
    group_case{"lone_comma", ",", {""}},
    group_case{"two_commas", ",,", {"", ""}},
    group_case{"blank_chain_between", "a, ,b", {"a", "", "b"}},
    group_case{"spaces_trimmed", "  a , b  ", {"a", "b"}},
    group_case{"tab_kept", "a,\tb", {"a", "\tb"}},
    group_case{"comma_in_single_quotes", "a[title='x,y'], b", {"a[title='x,y']", "b"}},
    group_case{"comma_in_double_quotes", "a[title=\"x,y\"],b", {"a[title=\"x,y\"]", "b"}},
    group_case{"comma_in_brackets", "a[x,y],b", {"a[x,y]", "b"}},
    group_case{"comma_in_parentheses_splits", "a:is(b,c)", {"a:is(b", "c)"}},
    // Unclosed quotes and brackets protect everything after them.
    group_case{"unclosed_quote_protects_rest", "a[title='x, b", {"a[title='x, b"}},
    group_case{"unclosed_bracket_protects_rest", "[a,b", {"[a,b"}},
    group_case{"unclosed_bare_quote", "'x,y", {"'x,y"}},
    // A backslash makes the quote after it ordinary.
    group_case{"escaped_quote_is_ordinary", "a\\',b", {"a\\'", "b"}},
    group_case{"escaped_quote_inside_quotes", "'a\\',b'", {"'a\\',b'"}},
    // The other kind of quote is ordinary inside quotes.
    group_case{"single_quote_inside_double", "a[\"x',y\"],b", {"a[\"x',y\"]", "b"}},
    group_case{"double_quote_inside_single", "'x\",y',z", {"'x\",y'", "z"}},
    // A stray ']' opens nothing; a '[' inside quotes opens nothing.
    group_case{"stray_closing_bracket", "]a,b", {"]a", "b"}},
    group_case{"bracket_inside_quotes", "'[',b", {"'['", "b"}},
    group_case{"quoted_closing_bracket_in_brackets", "[']',x],y", {"[']',x]", "y"}},
    // Brackets do not nest: the first ']' closes.
    group_case{"brackets_do_not_nest", "[[a],b", {"[[a]", "b"}}),
    case_name());

TEST(GroupSplit, NullTextIsTheEmptySelector)
{
    const css_groups group(nullptr);
    EXPECT_EQ(group.text, "");
    EXPECT_TRUE(group.chains.empty());
}

TEST(GroupSplit, EmptyPieceBetweenCommasIsAChainWithoutElements)
{
    const css_groups group("a,,b");
    ASSERT_EQ(group.chains.size(), 3u);
    EXPECT_TRUE(group.chains[1].elements.empty());
    EXPECT_TRUE(group.chains[1].combinators.empty());
    EXPECT_EQ(group.chains[2].elements.size(), 1u);
}

}
