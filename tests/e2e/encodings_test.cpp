// Input encodings through the whole program.
#include "harness.hpp"

#include <gtest/gtest.h>

namespace {

using e2e::run_vestrel;
using e2e::scratch_dir;

const std::string routes =
    "<a href=\"/routes/piraeus\">\xce\xa0\xce\xb5\xce\xb9\xcf\x81\xce\xb1\xce\xb9\xce\xac\xcf\x82"
    " \xe2\x80\x93 \xce\xa3\xcf\x8d\xcf\x81\xce\xbf\xcf\x82</a>\n\n"
    "<a href=\"/routes/rafina\">\xce\xa1\xce\xb1\xcf\x86\xce\xae\xce\xbd\xce\xb1"
    " \xe2\x80\x93 \xce\x86\xce\xbd\xce\xb4\xcf\x81\xce\xbf\xcf\x82</a>\n\n";

TEST(encodings, a_utf16_page_is_read_whole_with_its_encoding_named)
{
    scratch_dir dir;
    const std::string page = std::string(VESTREL_SOURCE_DIR) + "/examples/utf16.html";
    for (const char* name : {"utf16", "UTF16", "utf16le"}) {
        const auto run = run_vestrel({"-i", name, "ul.routes a", page}, dir.path);
        EXPECT_EQ(run.exit_code, 0) << name;
        EXPECT_EQ(run.out, routes) << name;
        EXPECT_EQ(run.err, "") << name;
    }
    // Without the encoding its byte-order mark says it.
    const auto unnamed = run_vestrel({"ul.routes a", page}, dir.path);
    EXPECT_EQ(unnamed.exit_code, 0);
    EXPECT_EQ(unnamed.out, routes);
}

TEST(encodings, a_utf16_page_from_standard_input)
{
    scratch_dir dir;
    std::string page = "\xff\xfe";
    for (const char c : std::string("<p class=\"x\">ok</p>")) {
        page += c;
        page += '\0';
    }
    const auto run = run_vestrel({"-i", "utf16", "p.x"}, dir.path, page);
    EXPECT_EQ(run.out, "<p class=\"x\">ok</p>\n\n");
}

}

namespace {

// A name that neither the program nor Tidy knows is reported once, at the
// start, and the inputs are read as UTF-8; Tidy itself says nothing.
TEST(encodings, an_unknown_name_is_reported_once_and_read_as_utf8)
{
    const std::string known = "known: ascii, latin1, raw, utf8, iso2022, mac, win1251, win1252, "
                              "utf16le, utf16be, utf16, big5, shiftjis\n";
    for (const std::string name : {"klingon", "latin-1", "utf-8"}) {
        SCOPED_TRACE(name);
        scratch_dir dir;
        dir.write("a.html", "<p>\xc3\xa9</p>");
        dir.write("b.html", "<p>B</p>");
        const auto run = run_vestrel({"-i", name, "p", "a.html", "b.html"}, dir.path,
                                     std::nullopt, std::chrono::seconds(60), true);
        EXPECT_EQ(run.exit_code, 0);
        EXPECT_EQ(run.out, "vestrel: unknown encoding '" + name + "', reading UTF-8; " + known
                               + "<p>\xc3\xa9</p>\n\n<p>B</p>\n\n");
    }
}

}
