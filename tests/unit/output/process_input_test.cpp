#include "output/process_input.hpp"
#include "scratch_cwd.hpp"
#include "../loading/stream_capture.hpp"

#include <gtest/gtest.h>
#include <iostream>

namespace {

const std::string menu_page =
    "<ul class=\"menu\"><li><a href=\"/a\">One</a></li>"
    "<li><a href=\"/b\">Two &amp; more</a> tail</li></ul><p>x</p>";

}

TEST(process_input, results_hold_only_this_inputs_matches)
{
    scratch_cwd dir;
    stream_capture out(std::cout);
    std::vector<std::string> results = {"stale entry\n"};
    process_input(results, false, menu_page, "ul.menu > li a", std::nullopt, std::nullopt,
                  7, false, "menu.html");
    const std::vector<std::string> expected = {"<a href=\"/a\">One</a>\n",
                                               "<a href=\"/b\">Two &amp; more</a>\n"};
    EXPECT_EQ(results, expected);
    process_input(results, false, menu_page, "table", std::nullopt, std::nullopt, 7, false,
                  "menu.html");
    EXPECT_TRUE(results.empty());
    EXPECT_EQ(out.text(), "");
    EXPECT_TRUE(dir.files().empty());
}

TEST(process_input, selector_through_tidy_to_standard_output)
{
    stream_capture out(std::cout);
    std::vector<std::string> results;
    process_input(results, false, menu_page, "li", std::nullopt, std::nullopt, 0, true,
                  "menu.html");
    EXPECT_EQ(out.text(), "<!--menu.html-->\n"
                          "<li>\n    <a href=\"/a\">One</a>\n</li>\n\n"
                          "<li>\n    <a href=\"/b\">Two &amp; more</a> tail</li>\n\n");
}

TEST(process_input, cleaned_index_of_links)
{
    scratch_cwd dir;
    std::vector<std::string> results;
    process_input(results, false, menu_page, "li", std::nullopt, std::nullopt, 5, true,
                  "menu.html");
    EXPECT_EQ(scratch_cwd::read("_index.lst"),
              "<LI class='indx'><A href='menu.html'>One</A></LI>\n"
              "<LI class='indx'><A href='menu.html'>Two &amp; more tail</A></LI>\n");
}

TEST(process_input, input_ends_at_its_first_zero_byte)
{
    stream_capture out(std::cout);
    std::vector<std::string> results;
    const std::string text("<p>a</p>\0<p>b</p>", 17);
    process_input(results, false, text, "p", std::nullopt, std::nullopt, 0, false, "x");
    EXPECT_EQ(out.text(), "<p>a</p>\n\n");
}

TEST(process_input, win1251_input)
{
    stream_capture out(std::cout);
    std::vector<std::string> results;
    process_input(results, false, "<p class=\"\xf2\">\xcf\xf0\xe8\xe2\xe5\xf2 \x97 \xb9 5</p>",
                  "p.т", std::string("win1251"), std::nullopt, 0, false, "x");
    EXPECT_EQ(out.text(), "<p class=\"т\">Привет — № 5</p>\n\n");
}

// Modes that write nothing still run the cleaning and the query with their
// diagnostics; Tidy's sections come first.
TEST(process_input, unknown_mode_writes_nothing_but_diagnostics)
{
    for (const int mode : {7, -1}) {
        scratch_cwd dir;
        stream_capture out(std::cout);
        stream_capture err(std::cerr);
        std::vector<std::string> results;
        process_input(results, true, menu_page, "li", std::nullopt, std::nullopt, mode, true,
                      "menu.html");
        EXPECT_EQ(results.size(), 2u);
        EXPECT_EQ(out.text(), "");
        EXPECT_TRUE(dir.files().empty());
        const std::string diagnostics = err.text();
        EXPECT_EQ(diagnostics.rfind("**** BEGIN The HTML raw source\n" + menu_page + "\n", 0), 0u);
        const auto xhtml_end = diagnostics.find("**** END XHTML\n");
        ASSERT_NE(xhtml_end, std::string::npos);
        // The selector outline follows the XHTML.
        EXPECT_GT(diagnostics.size(), xhtml_end + 15);
    }
}
