#include "input_holding.hpp"
#include "loading/tidy_worker.hpp"
#include "matching/query.hpp"
#include "processing/repair_history.hpp"
#include "../loading/named_encoding.hpp"
#include "../loading/stream_capture.hpp"
#include "../output/scratch_cwd.hpp"

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
        const input_outcome outcome = process_text({verbose, "ul.menu > li a", {}}, menu_page);
        EXPECT_EQ(outcome.results, (strings{"<a href=\"/a\">One</a>\n",
                                            "<a href=\"/b\">Two &amp; more</a>\n"}));
        EXPECT_FALSE(outcome.problem);
        EXPECT_EQ(out.text(), "");
        EXPECT_EQ(err.text(), "");
        EXPECT_TRUE(dir.files().empty());
        EXPECT_EQ(outcome.diagnostics.empty(), !verbose);
    }
}

TEST(process_input, selector_through_tidy)
{
    EXPECT_EQ(process_text(quiet("li"), menu_page).results,
              (strings{"<li>\n    <a href=\"/a\">One</a>\n</li>\n",
                       "<li>\n    <a href=\"/b\">Two &amp; more</a> tail</li>\n"}));
    EXPECT_TRUE(process_text(quiet("table"), menu_page).results.empty());
}

TEST(process_input, input_ends_at_its_first_zero_byte)
{
    const std::string text("<p>a</p>\0<p>b</p>", 17);
    EXPECT_EQ(process_text(quiet("p"), text).results, strings{"<p>a</p>\n"});
}

TEST(process_input, win1251_input)
{
    const input_outcome outcome =
        process_text({false, "p.т", named("win1251")},
                      "<p class=\"\xf2\">\xcf\xf0\xe8\xe2\xe5\xf2 \x97 \xb9 5</p>");
    EXPECT_EQ(outcome.results, strings{"<p class=\"т\">Привет — № 5</p>\n"});
}

// Tidy's sections come first, then the selector outline.
TEST(process_input, verbose_diagnostics_in_order)
{
    const input_outcome outcome = process_text({true, "li", {}}, menu_page);
    const std::string& diagnostics = outcome.diagnostics;
    EXPECT_EQ(diagnostics.rfind("**** BEGIN The HTML raw source\n" + menu_page + "\n", 0), 0u);
    const auto xhtml_end = diagnostics.find("**** END XHTML\n");
    ASSERT_NE(xhtml_end, std::string::npos);
    const std::string outline = diagnostics.substr(xhtml_end + 15);
    EXPECT_EQ(outline.substr(0, 6), "li\n0:\n") << outline;
}

// A kept history is taken only when the XML parser judges its document as
// the history says; one it does not is damaged: the page is repaired again,
// gives what it gives without the cache, and its true history replaces the
// false one. A history that is merely another page's passes: the checksum
// and the private directory guard against that.
TEST(process_input, a_kept_verdict_the_parser_does_not_share_is_not_taken)
{
    const std::string page = "<p>one</p><p>two</p>";
    const strings results = {"<p>one</p>\n", "<p>two</p>\n"};
    const struct {
        const char* what;
        void (*lie)(repair_attempt& last);
        bool taken;
        strings results;
    } cases[] = {
        {"success, for a text the parser rejects",
         [](repair_attempt& last) { last.repair.xhtml.replace(last.repair.xhtml.find("</p>"), 4, "</q>"); },
         false, results},
        {"an empty document, for a text with elements",
         [](repair_attempt& last) { last.verdict = tinyxml2::XML_ERROR_EMPTY_DOCUMENT; }, false,
         results},
        {"success, for another page's text that parses",
         [](repair_attempt& last) { last.repair.xhtml = "<html><body><p>other</p></body></html>"; },
         true, {"<p>other</p>\n"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        scratch_cwd dir;
        cache_opening opening = open_cache("cache");
        ASSERT_TRUE(opening.cache) << describe(opening.problem);
        const document_cache& cache = *opening.cache;
        const input_settings settings{false, "p", {}, &cache};
        ASSERT_EQ(process_text(settings, page).results, results);
        const std::string tidy = tidy_release(), xml_parser = xml_parser_release();
        const cache_key key =
            repair_key({page, "utf8", repair_version, tidy, xml_parser});
        const std::optional<std::string> kept = cache.lookup(key, UINT64_MAX);
        ASSERT_TRUE(kept);
        std::optional<repair_history> history = unpack_history(*kept);
        ASSERT_TRUE(history);
        c.lie(history->attempts.back());
        const std::string lie = pack_history(*history);
        ASSERT_FALSE(cache.store(key, lie));

        const input_outcome outcome = process_text(settings, page);
        EXPECT_EQ(outcome.results, c.results);
        EXPECT_FALSE(outcome.problem);
        EXPECT_EQ(cache.lookup(key, UINT64_MAX), c.taken ? lie : *kept);
    }
}

// What crosses between processes comes back as it went, whatever bytes it
// holds.
TEST(pack_outcome, round_trip)
{
    const input_outcome outcomes[] = {
        {"", {}, {}, {}},
        {"", {}, {failure_kind::out_of_memory, 0, {}}, {}},
        {"", {"<p/>\n"}, {}, system_failure(EACCES)},
        {"", {}, {failure_kind::not_well_formed, 265, "XML_ERROR_MISMATCHED_ELEMENT"}, {}},
        {"", {}, {failure_kind::tidy_failed, -1, {}}, {}},
        {"**** diagnostics\n", {"<p>1</p>\n", "", std::string("\0\xff", 2)}, {}, {}},
        {std::string(100000, 'd'), {std::string(70000, 'r')}, {}, {}},
    };
    for (const input_outcome& outcome : outcomes) {
        const input_outcome back = unpack_outcome(pack_outcome(outcome));
        EXPECT_EQ(back.diagnostics, outcome.diagnostics);
        EXPECT_EQ(back.results, outcome.results);
        EXPECT_EQ(back.problem, outcome.problem);
        EXPECT_EQ(back.cache_problem, outcome.cache_problem);
    }
}

TEST(pack_outcome, a_list_that_is_no_outcome_unpacks_empty)
{
    for (const strings& parts : {strings{}, strings{"M"}}) {
        const input_outcome outcome = unpack_outcome(parts);
        EXPECT_EQ(outcome.diagnostics, "");
        EXPECT_TRUE(outcome.results.empty());
        EXPECT_FALSE(outcome.problem);
    }
}
