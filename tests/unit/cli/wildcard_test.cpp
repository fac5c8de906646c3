#include "cli/wildcard.hpp"

#include <gtest/gtest.h>

namespace {

struct wildcard_case {
    const char* pattern;
    const char* name;
    bool matches;
};

TEST(wildcard_match, cases)
{
    const wildcard_case cases[] = {
        {"*.html", "a.html", true},
        {"*.html", "B.HTML", false},
        {"*.html", "a.html.html", true},
        {"*.html", "x.html.bak", false},
        {"*.html", ".html", true},
        {"*", ".", true},
        {"*", "..", true},
        {"*", "", true},
        {"", "", true},
        {"", "a", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"a?c", "abbc", false},
        {"?", "", false},
        {"*.*", "a.b", true},
        {"*.*", ".", true},
        {"*.*", "..", true},
        {"*.*", "abc", false},
        {"a*b*c", "aXbYc", true},
        {"a*b*c", "abc", true},
        {"a*b*c", "abcbc", true},
        {"a*b*c", "abcx", false},
        {"a*b*c", "acb", false},
        {"page.html", "page.html", true},
        {"page.html", "page.htm", false},
        {"page.html", "Page.html", false},
        {"**", "x", true},
        {"a**", "a", true},
        {"*a", "aaa", true},
        {"*ab", "aab", true},
        {"*aab", "aaab", true},
        {"*?", "", false},
        {"*?", "x", true},
        {"sub/*.html", "a.html", false},
        {"[ab]", "a", false},
        {"[ab]", "[ab]", true},
        {"\\*", "*", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(wildcard_match(c.pattern, c.name), c.matches)
            << "pattern [" << c.pattern << "] name [" << c.name << "]";
}

}
