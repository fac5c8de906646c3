#include "output/written_names.hpp"

#include <gtest/gtest.h>

namespace {

struct name_case {
    std::string name;
    std::string written;
};

}

// Only a name that would end the comment early or make it invalid is
// encoded, and then so that decoding gives it back.
TEST(name_in_comment, encodes_only_names_that_would_break_the_comment)
{
    const name_case cases[] = {
        {"news.html", "news.html"},
        {"100%.html", "100%.html"},
        {"a>b.html", "a>b.html"},
        {"", ""},
        {"x--><b onmouseover=alert(1)>.html", "x%2D%2D%3E<b onmouseover=alert(1)%3E.html"},
        {">a", "%3Ea"},
        {"->a", "%2D%3Ea"},
        {"a-", "a%2D"},
        {"<!-", "<!%2D"},
        {"a--%41.html", "a%2D%2D%2541.html"},
        {"line\nbreak", "line%0Abreak"},
        {"tab\t-x\x7f", "tab%09%2Dx%7F"},
        {std::string("nul\0x", 5), "nul%00x"},
        {"caf\xc3\xa9--", "caf\xc3\xa9%2D%2D"},
    };
    for (const auto& [name, written] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(name_in_comment(name), written);
    }
}

// The address names the file: nothing in the name becomes a fragment, a
// query, an escape, a scheme or a host.
TEST(name_in_link, keeps_the_address_on_the_file)
{
    const name_case cases[] = {
        {"news.html", "news.html"},
        {"it's <b>&.html", "it's <b>&.html"},
        {"a#b.html", "a%23b.html"},
        {"a?b=1.html", "a%3Fb=1.html"},
        {"100%41.html", "100%2541.html"},
        {"a\\b.html", "a%5Cb.html"},
        {"line\nbreak\r.html", "line%0Abreak%0D.html"},
        {" a.html ", "%20a.html%20"},
        {"javascript:alert(1)", "./javascript:alert(1)"},
        {"c:/x.html", "./c:/x.html"},
        {"sub/a:b.html", "sub/a:b.html"},
        {"//host/x.html", "/.//host/x.html"},
        {"caf\xc3\xa9.html", "caf\xc3\xa9.html"},
    };
    for (const auto& [name, written] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(name_in_link(name), written);
    }
}
