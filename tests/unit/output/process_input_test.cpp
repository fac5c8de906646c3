#include "output/process_input.hpp"
#include "scratch_cwd.hpp"
#include "../loading/named_encoding.hpp"
#include "../loading/stream_capture.hpp"

#include <gtest/gtest.h>
#include <iostream>

namespace {

using strings = std::vector<std::string>;

const std::string menu_page =
    "<ul class=\"menu\"><li><a href=\"/a\">One</a></li>"
    "<li><a href=\"/b\">Two &amp; more</a> tail</li></ul><p>x</p>";

input_settings quiet(std::string selector)
{
    return {false, std::move(selector), {}};
}

}

// The work on an input writes nothing anywhere: what it found, and with
// verbose what it has to say, come back in the outcome.
TEST(process_input, writes_nothing_itself)
{
    for (const bool verbose : {false, true}) {
        scratch_cwd dir;
        stream_capture out(std::cout);
        stream_capture err(std::cerr);
        const input_outcome outcome = process_input({verbose, "ul.menu > li a", {}}, menu_page);
        EXPECT_EQ(outcome.results, (strings{"<a href=\"/a\">One</a>\n",
                                            "<a href=\"/b\">Two &amp; more</a>\n"}));
        EXPECT_EQ(outcome.failure, "");
        EXPECT_EQ(out.text(), "");
        EXPECT_EQ(err.text(), "");
        EXPECT_TRUE(dir.files().empty());
        EXPECT_EQ(outcome.diagnostics.empty(), !verbose);
    }
}

TEST(process_input, selector_through_tidy)
{
    EXPECT_EQ(process_input(quiet("li"), menu_page).results,
              (strings{"<li>\n    <a href=\"/a\">One</a>\n</li>\n",
                       "<li>\n    <a href=\"/b\">Two &amp; more</a> tail</li>\n"}));
    EXPECT_TRUE(process_input(quiet("table"), menu_page).results.empty());
}

TEST(process_input, input_ends_at_its_first_zero_byte)
{
    const std::string text("<p>a</p>\0<p>b</p>", 17);
    EXPECT_EQ(process_input(quiet("p"), text).results, strings{"<p>a</p>\n"});
}

TEST(process_input, win1251_input)
{
    const input_outcome outcome =
        process_input({false, "p.т", named("win1251")},
                      "<p class=\"\xf2\">\xcf\xf0\xe8\xe2\xe5\xf2 \x97 \xb9 5</p>");
    EXPECT_EQ(outcome.results, strings{"<p class=\"т\">Привет — № 5</p>\n"});
}

// Tidy's sections come first, then the selector outline.
TEST(process_input, verbose_diagnostics_in_order)
{
    const input_outcome outcome = process_input({true, "li", {}}, menu_page);
    const std::string& diagnostics = outcome.diagnostics;
    EXPECT_EQ(diagnostics.rfind("**** BEGIN The HTML raw source\n" + menu_page + "\n", 0), 0u);
    const auto xhtml_end = diagnostics.find("**** END XHTML\n");
    ASSERT_NE(xhtml_end, std::string::npos);
    const std::string outline = diagnostics.substr(xhtml_end + 15);
    EXPECT_EQ(outline.substr(0, 6), "li\n0:\n") << outline;
}

// What crosses between processes comes back as it went, whatever bytes it
// holds.
TEST(pack_outcome, round_trip)
{
    const input_outcome outcomes[] = {
        {"", {}, "", ""},
        {"", {}, "out of memory", ""},
        {"", {"<p/>\n"}, "", "vestrel: cache c: Permission denied\n"},
        {"**** diagnostics\n", {"<p>1</p>\n", "", std::string("\0\xff", 2)}, "", ""},
        {std::string(100000, 'd'), {std::string(70000, 'r')}, "", ""},
    };
    for (const input_outcome& outcome : outcomes) {
        const input_outcome back = unpack_outcome(pack_outcome(outcome));
        EXPECT_EQ(back.diagnostics, outcome.diagnostics);
        EXPECT_EQ(back.results, outcome.results);
        EXPECT_EQ(back.failure, outcome.failure);
        EXPECT_EQ(back.cache_problem, outcome.cache_problem);
    }
}

TEST(pack_outcome, a_list_that_is_no_outcome_unpacks_empty)
{
    for (const strings& parts : {strings{}, strings{"M"}}) {
        const input_outcome outcome = unpack_outcome(parts);
        EXPECT_EQ(outcome.diagnostics, "");
        EXPECT_TRUE(outcome.results.empty());
        EXPECT_EQ(outcome.failure, "");
    }
}
