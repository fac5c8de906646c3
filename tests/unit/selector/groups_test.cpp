// Splitting a selector group into chains: commas, and the quotes and
// brackets that protect them.
#include "selector/css.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct group_case {
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
    group_case{"", {}},
    group_case{"     ", {}},
    group_case{"a", {"a"}},
    group_case{"a,,b", {"a", "", "b"}},
    group_case{",a", {"", "a"}},
    group_case{"a,", {"a"}},
    group_case{"a, ", {"a"}},
    group_case{",", {""}},
    group_case{",,", {"", ""}},
    group_case{"a, ,b", {"a", "", "b"}},
    group_case{"  a , b  ", {"a", "b"}},
    group_case{"a,\tb", {"a", "\tb"}},
    group_case{"a[title='x,y'], b", {"a[title='x,y']", "b"}},
    group_case{"a[title=\"x,y\"],b", {"a[title=\"x,y\"]", "b"}},
    group_case{"a[x,y],b", {"a[x,y]", "b"}},
    group_case{"a:is(b,c)", {"a:is(b", "c)"}},
    // Unclosed quotes and brackets protect everything after them.
    group_case{"a[title='x, b", {"a[title='x, b"}},
    group_case{"[a,b", {"[a,b"}},
    group_case{"'x,y", {"'x,y"}},
    // A backslash makes the quote after it ordinary.
    group_case{"a\\',b", {"a\\'", "b"}},
    group_case{"'a\\',b'", {"'a\\',b'"}},
    // The other kind of quote is ordinary inside quotes.
    group_case{"a[\"x',y\"],b", {"a[\"x',y\"]", "b"}},
    group_case{"'x\",y',z", {"'x\",y'", "z"}},
    // A stray ']' opens nothing; a '[' inside quotes opens nothing.
    group_case{"]a,b", {"]a", "b"}},
    group_case{"'[',b", {"'['", "b"}},
    group_case{"[']',x],y", {"[']',x]", "y"}},
    // Brackets do not nest: the first ']' closes.
    group_case{"[[a],b", {"[[a]", "b"}}));

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
