#include "output/index_lines.hpp"

#include <gtest/gtest.h>

namespace {

struct text_case {
    std::string input;
    std::string expected;
};

}

TEST(strip_tags, removes_each_tag_up_to_its_closing_bracket)
{
    const text_case cases[] = {
        {"", ""},
        {"plain text", "plain text"},
        {"<a href=\"/x\">One</a>", "One"},
        {"<li>\n    <a href=\"/a\">One</a>\n</li>\n", "\n    One\n\n"},
        {"&amp; &lt;b&gt; &#160;", "&amp; &lt;b&gt; &#160;"},
        // A ">" before any "<" is text.
        {"a > b", "a > b"},
        {"a>b<c>d", "a>bd"},
        // An unclosed tag takes the rest of the text with it.
        {"x<unclosed", "x"},
        {"<b>1</b> 2 <i", "1 2 "},
        {"<", ""},
        // A tag ends at the first ">", even inside a comment or CDATA.
        {"<!-- a > b -->", " b -->"},
        {"<![CDATA[x>y]]>", "y]]>"},
        {"<<a>b>", "b>"},
        {"<a/><b/>", ""},
    };
    for (const auto& [input, expected] : cases) {
        SCOPED_TRACE(input);
        std::string text = input;
        EXPECT_EQ(&strip_tags(text), &text);
        EXPECT_EQ(text, expected);
    }
}

TEST(replace_all, non_overlapping_and_never_rescans_replacements)
{
    struct replace_case {
        std::string text, search, replacement, expected;
    };
    const replace_case cases[] = {
        {"a\nb\n", "\n", " ", "a b "},
        {"\n\n", "\n", " ", "  "},
        {"aaaa", "aa", "b", "bb"},
        {"aaa", "aa", "b", "ba"},
        // The inserted text holds the search text: no endless growth.
        {"aaa", "a", "aa", "aaaaaa"},
        {"ab", "b", "bb", "abb"},
        {"xx", "x", "", ""},
        {"abc", "x", "y", "abc"},
        {"abc", "", "x", "abc"},
        {"", "a", "b", ""},
        {"one two one", "one", "1", "1 two 1"},
    };
    for (const auto& [text, search, replacement, expected] : cases) {
        SCOPED_TRACE(text + " / " + search + " / " + replacement);
        std::string edited = text;
        EXPECT_EQ(&replace_all(edited, search, replacement), &edited);
        EXPECT_EQ(edited, expected);
    }
}

TEST(clean_index_item, printed_elements_become_one_line_of_text)
{
    const text_case cases[] = {
        {"<a href=\"/a\">One</a>\n", "One"},
        {"<li>\n    <a href=\"/a\">One</a>\n</li>\n", "One"},
        {"<li>\n    <a href=\"/b\">Two &amp; more</a> tail</li>\n", "Two &amp; more tail"},
        // Inner runs of spaces survive; tabs are not trimmed.
        {"<p>a   b</p>\n", "a   b"},
        {"  a\nb\t \n", "a b\t"},
        {"<p>text <b", "text"},
        {"<br/>\n", ""},
        {"<td>\n    <b>1</b>\n    <i>2</i>\n</td>\n", "1     2"},
    };
    for (const auto& [input, expected] : cases) {
        SCOPED_TRACE(input);
        EXPECT_EQ(clean_index_item(input), expected);
    }
}

TEST(index_line, links_the_text_to_the_input)
{
    EXPECT_EQ(index_line("page.html", "One"),
              "<LI class='indx'><A href='page.html'>One</A></LI>\n");
    EXPECT_EQ(index_line("sub/a b.html", "<a>x</a>\n"),
              "<LI class='indx'><A href='sub/a b.html'><a>x</a>\n</A></LI>\n");
    EXPECT_EQ(index_line("stdin", ""), "<LI class='indx'><A href='stdin'></A></LI>\n");
}

// A name cannot end the link's address or add markup to the index page; the
// text is the item's and stays as it is.
TEST(index_line, names_are_escaped_inside_the_address)
{
    const std::pair<std::string, std::string> cases[] = {
        {"it's.html", "it&#39;s.html"},
        {"a&b.html", "a&amp;b.html"},
        {"<b>.html", "&lt;b&gt;.html"},
        {"\"q\".html", "&quot;q&quot;.html"},
        {"x'><script>alert(1)</script>", "x&#39;&gt;&lt;script&gt;alert(1)&lt;/script&gt;"},
        {"&amp;", "&amp;amp;"},
        {"x'#1.html", "x&#39;%231.html"},
        {"a:'b", "./a:&#39;b"},
        {"plain-name_1.html", "plain-name_1.html"},
    };
    for (const auto& [name, escaped] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(index_line(name, "a & b <i>"),
                  "<LI class='indx'><A href='" + escaped + "'>a & b <i></A></LI>\n");
    }
}
