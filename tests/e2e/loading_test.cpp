// Cleaning raw HTML through the whole program: what Tidy must keep, the
// input encodings, the verbose sections, and inputs that once broke it.
#include "harness.hpp"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <tinyxml2.h>

namespace {

using e2e::run_vestrel;
using e2e::scratch_dir;

const std::string raw_banner = "**** BEGIN The HTML raw source\n";
const std::string raw_end = "**** END The HTML raw source\n";
const std::string diagnostics_banner = "**** TIDY Diagnostics for raw HTML source: ";
const std::string xhtml_banner = "**** BEGIN XHTML\n";
const std::string xhtml_end = "**** END XHTML\n";

std::size_t count_of(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// The text between the XHTML banners of a verbose run.
std::string xhtml_section(const std::string& err)
{
    const auto begin = err.find(xhtml_banner);
    const auto end = err.find("\n" + xhtml_end);
    if (begin == std::string::npos || end == std::string::npos || end < begin)
        return {};
    return err.substr(begin + xhtml_banner.size(), end - begin - xhtml_banner.size());
}

std::string file_text(const e2e::fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct selector_case {
    const char* what;
    std::string page;
    std::string selector;
    std::string out;
};

}

// Content Tidy must neither drop, invent nor corrupt, seen through a
// selector and the printed results.
TEST(loading, document_content_survives_cleaning)
{
    const selector_case cases[] = {
        {"no-break space in text and attribute", "<p title=\"a&nbsp;b\">x&nbsp;y</p><p>z</p>",
         "p", "<p title=\"a\u00a0b\">x\u00a0y</p>\n\n<p>z</p>\n\n"},
        {"attribute value holding a no-break space",
         "<p title=\"a&nbsp;b\">1</p><p title=\"a b\">2</p>", "[title='a\u00a0b']",
         "<p title=\"a\u00a0b\">1</p>\n\n"},
        {"raw no-break space", "<p title=\"a\u00a0b\">2</p>", "p[title=\"a\u00a0b\"]",
         "<p title=\"a\u00a0b\">2</p>\n\n"},
        {"no generator meta", "<title>t</title><p>x</p>", "meta", ""},
        {"the page's own meta stays", "<meta name=\"author\" content=\"me\"><p>x</p>", "meta",
         "<meta name=\"author\" content=\"me\"/>\n\n"},
        {"empty elements stay",
         "<p><span class=\"icon\"></span><i class=\"fa fa-star\"></i>text</p><div></div>",
         "span.icon, i.fa, div",
         "<span class=\"icon\"/>\n\n<i class=\"fa fa-star\"/>\n\n<div/>\n\n"},
        {":empty finds an empty paragraph", "<p>full</p><p></p><p>also</p>", "p:empty",
         "<p/>\n\n"},
        {"an empty inner div gives two entries", "<div><div></div></div>", "div",
         "<div>\n    <div/>\n</div>\n\n<div/>\n\n"},
        {"custom element", "<my-widget data-id=\"7\">w</my-widget>", "my-widget",
         "<my-widget data-id=\"7\">w</my-widget>\n\n"},
        {"unknown element: error, yet the document is written",
         "<p>x</p><zzz>y</zzz><p>z</p>", "p", "<p>x</p>\n\n<p>z</p>\n\n"},
        {"unclosed markup is repaired", "<ul><li>one<li>two</ul>", "li",
         "<li>one</li>\n\n<li>two</li>\n\n"},
        {"empty input", "", "body", "<body/>\n\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        scratch_dir dir;
        const auto run = run_vestrel({c.selector}, dir.path, c.page);
        EXPECT_EQ(run.exit_code, 0);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(count_of(run.out, "&amp;nbsp;"), 0u);
    }
}

TEST(loading, xhtml_holds_numeric_references_and_no_generator)
{
    scratch_dir dir;
    const auto run = run_vestrel({"-d", "p"}, dir.path, "<p title=\"a&nbsp;b\">x&nbsp;y</p>");
    const std::string xhtml = xhtml_section(run.err);
    EXPECT_NE(xhtml.find("<p title=\"a&#160;b\">x&#160;y</p>"), std::string::npos) << xhtml;
    EXPECT_EQ(xhtml.find("&nbsp;"), std::string::npos);
    EXPECT_EQ(xhtml.find("generator"), std::string::npos);
}

TEST(loading, windows_1251_input_in_any_letter_case)
{
    // "Привет — № 5" in a paragraph of class "т", in Windows-1251.
    const std::string page = "<p class=\"\xf2\">\xcf\xf0\xe8\xe2\xe5\xf2 \x97 \xb9 5</p>";
    for (const std::string name : {"win1251", "WIN1251", "Win1251"}) {
        SCOPED_TRACE(name);
        scratch_dir dir;
        dir.write("ru.html", page);
        const auto run = run_vestrel({"-i", name, "p.т", "ru.html"}, dir.path);
        EXPECT_EQ(run.exit_code, 0);
        EXPECT_EQ(run.out, "<p class=\"т\">Привет — № 5</p>\n\n");
        const auto verbose = run_vestrel({"-d", "-i", name, "p.т", "ru.html"}, dir.path);
        // The raw section shows the bytes as they are in the file.
        EXPECT_NE(verbose.err.find(raw_banner + page + "\n" + raw_end), std::string::npos);
        EXPECT_NE(xhtml_section(verbose.err).find("Привет — № 5"), std::string::npos);
    }
}

TEST(loading, other_input_encodings)
{
    struct encoding_case {
        std::vector<std::string> args;
        std::string page;
        std::string out;
    };
    const encoding_case cases[] = {
        {{"p"}, "<p>\xc3\xa9t\xc3\xa9</p>", "<p>\xc3\xa9t\xc3\xa9</p>\n\n"},
        {{"-i", "utf8", "p"}, "<p>\xc3\xa9t\xc3\xa9</p>", "<p>\xc3\xa9t\xc3\xa9</p>\n\n"},
        {{"-i", "latin1", "p"}, "<p>\xe9t\xe9</p>", "<p>\xc3\xa9t\xc3\xa9</p>\n\n"},
        {{"-i", "win1252", "p"}, "<p>\x80 \xe9</p>", "<p>\xe2\x82\xac \xc3\xa9</p>\n\n"},
        // An empty input takes the Windows-1251 path like any other.
        {{"-i", "win1251", "body"}, "", "<body/>\n\n"},
        // An encoding Tidy does not know leaves its default, UTF-8, in place.
        {{"-i", "klingon", "p"}, "<p>\xc3\xa9</p>", "<p>\xc3\xa9</p>\n\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.size() > 1 ? c.args[1] : "(no -i)");
        scratch_dir dir;
        const auto run = run_vestrel(c.args, dir.path, c.page);
        EXPECT_EQ(run.exit_code, 0);
        EXPECT_EQ(run.out, c.out);
    }
}

TEST(loading, verbose_sections_of_a_clean_page)
{
    // Tidy finds nothing to report here: no diagnostics section.
    const std::string page =
        "<!DOCTYPE html><html><head><title>t</title></head><body><p>x</p></body></html>";
    scratch_dir dir;
    dir.write("clean.html", page);
    const auto run = run_vestrel({"-d", "p", "clean.html"}, dir.path);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out, "<p>x</p>\n\n");
    const std::string head = "**** The group of selector: p\n**** Loading: clean.html\n"
        + raw_banner + page + "\n" + raw_end + xhtml_banner;
    EXPECT_EQ(run.err.substr(0, head.size()), head);
    EXPECT_EQ(count_of(run.err, diagnostics_banner), 0u);
    EXPECT_EQ(count_of(run.err, xhtml_end), 1u);
    EXPECT_NE(xhtml_section(run.err).find("<p>x</p>"), std::string::npos);
}

TEST(loading, verbose_diagnostics_come_before_the_xhtml)
{
    for (const std::string page : {"<p>x</p>", "<p>x</p><zzz>y</zzz>"}) {
        SCOPED_TRACE(page);
        scratch_dir dir;
        const auto run = run_vestrel({"-d", "p"}, dir.path, page);
        EXPECT_EQ(run.exit_code, 0);
        EXPECT_EQ(run.out, "<p>x</p>\n\n");
        const std::string raw_section = raw_banner + page + "\n" + raw_end;
        const auto raw_at = run.err.find(raw_section);
        const auto diagnostics_at = run.err.find(diagnostics_banner);
        const auto xhtml_at = run.err.find("\n" + xhtml_banner);
        ASSERT_NE(raw_at, std::string::npos);
        EXPECT_EQ(diagnostics_at, raw_at + raw_section.size());
        EXPECT_LT(diagnostics_at, xhtml_at);
        EXPECT_EQ(count_of(run.err, diagnostics_banner), 1u);
    }
}

// Tidy's own report, word for word, between the raw source and the XHTML.
TEST(loading, verbose_diagnostics_of_an_unknown_element)
{
    const std::string page = "<p>x</p><zzz>y</zzz>";
    scratch_dir dir;
    dir.write("broken.html", page);
    const auto run = run_vestrel({"-d", "p", "broken.html"}, dir.path);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out, "<p>x</p>\n\n");
    const std::string head = "**** The group of selector: p\n**** Loading: broken.html\n"
        + raw_banner + page + "\n" + raw_end
        + diagnostics_banner + "line 1 column 9 - Error: <zzz> is not recognized!\n"
          "Tidy found 5 warnings and 1 error! Not all warnings/errors were shown.\n"
          "\n"
          "This document has errors that must be fixed before\n"
          "using HTML Tidy to generate a tidied up version.\n"
          "\n"
          "\n"
        + xhtml_banner;
    EXPECT_EQ(run.err.substr(0, head.size()), head);
}

TEST(loading, nothing_after_a_zero_byte_is_seen)
{
    scratch_dir dir;
    dir.write("nul.html", std::string("<p>seen</p>\0<p>unseen</p>", 25));
    const auto run = run_vestrel({"p", "nul.html"}, dir.path);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out, "<p>seen</p>\n\n");
    const auto verbose = run_vestrel({"-d", "p", "nul.html"}, dir.path);
    EXPECT_EQ(verbose.err.find("unseen"), std::string::npos);
}

TEST(loading, several_inputs_are_cleaned_independently)
{
    scratch_dir dir;
    dir.write("a.html", "<p>a</p><zzz>broken</zzz>");
    dir.write("b.html", "<p title=\"b&nbsp;\">b</p>");
    dir.write("c.html", "");
    const auto run = run_vestrel({"p", "a.html", "c.html", "b.html"}, dir.path);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out, "<p>a</p>\n\n<p title=\"b\u00a0\">b</p>\n\n");
}

// Tidy recurses once per nesting level; 100,000 levels overflow an ordinary
// stack. The run must complete: TinyXML2 then refuses the depth, so there are
// no results, which the run says, and the verbose run shows the error.
TEST(loading, SlowHundredThousandNestedDivs)
{
    constexpr int depth = 100000;
    std::string page = "<!DOCTYPE html><html><head><title>deep</title></head><body>\n";
    for (int i = 0; i < depth; ++i)
        page += "<div>\n";
    page += "x";
    for (int i = 0; i < depth; ++i)
        page += "</div>\n";
    page += "</body></html>\n";
    ASSERT_GT(page.size(), 1200000u);
    scratch_dir dir;
    dir.write("deep.html", page);
    const auto run = run_vestrel({"-d", "div", "deep.html"}, dir.path, std::nullopt,
                                 std::chrono::seconds(900));
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 3);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("vestrel: deep.html: no document: nested deeper than the XML parser "
                           "allows\n"), std::string::npos);
    EXPECT_NE(run.err.find("TinyXML2Error: "
                           + std::to_string(tinyxml2::XML_ELEMENT_DEPTH_EXCEEDED) + "\n"),
              std::string::npos);
    EXPECT_EQ(count_of(run.err, xhtml_end), 1u);
}

// Pages whose XHTML the XML parser rejects: Tidy tries again under stricter
// rules, and what still gives no document is said in the input's place.
TEST(loading, pages_the_xml_parser_rejects)
{
    struct row {
        const char* page;  // under tests/data, or generated when it starts with "<"
        std::string selector;
        std::string out;
        std::string err;
        int exit_code;
    };
    const auto nested = [](int depth) {
        std::string page = "<body>";
        for (int i = 0; i < depth; ++i)
            page += "<div>";
        return page + "<p>deep</p>";
    };
    const std::string too_deep = nested(120);
    const row rows[] = {
        {"server-side-code.html", "a, li",
         "<!--in.html-->\n<li>\n    <a href=\"/x\">x</a>\n</li>\n\n<a href=\"/x\">x</a>\n\n", "", 0},
        {"svg-repeated-attribute.html", "a, rect",
         "<!--in.html-->\n<a href=\"/a\">a</a>\n\n<rect data-v-1=\"\" width=\"1\"/>\n\n", "", 0},
        {"script-cdata-never-closed.html", "script, a",
         "<!--in.html-->\n<script type=\"text/javascript\">\n// &lt;![CDATA[\n  var a = 1;\n"
         "// ]]&amp;gt;\n</script>\n\n<a href=\"/c\">c</a>\n\n", "", 0},
        // Under an XHTML doctype Tidy switches itself to XHTML output; the
        // XML rules still write the script's text escaped.
        {"script-cdata-xhtml-strict.html", "script, a",
         "<!--in.html-->\n<script type=\"text/javascript\">\n/*&lt;![CDATA[*/ var a = 1; "
         "/*]]&amp;gt;*/\n</script>\n\n<a href=\"/x\">x</a>\n\n", "", 0},
        {too_deep.c_str(), "p", "",
         "vestrel: in.html: no document: nested deeper than the XML parser allows\n", 3},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.page);
        scratch_dir dir;
        const bool generated = r.page[0] == '<';
        dir.write("in.html", generated ? std::string(r.page) : file_text(e2e::test_data(r.page)));
        dir.write("after.html", "<p>after</p>");
        for (const std::string jobs : {"1", "2"}) {
            e2e::run_options options;
            options.environment = {{"VESTREL_JOBS", jobs}};
            const auto run = run_vestrel({"-p", r.selector, "in.html", "after.html"}, dir.path, options);
            EXPECT_EQ(run.out, r.out + (r.selector == "p" ? "<!--after.html-->\n<p>after</p>\n\n"
                                                          : "<!--after.html-->\n"));
            EXPECT_EQ(run.err, r.err);
            EXPECT_EQ(run.exit_code, r.exit_code);
        }
    }
}

// With verbose, each later attempt is shown after the XML error of the one
// before it, and so is the attempt the document came from.
TEST(loading, verbose_run_shows_each_attempt)
{
    scratch_dir dir;
    const std::string page = "<p><script>// <![CDATA[\nx();\n// ]]&gt;</script><?php f(); ?></p>";
    const auto run = run_vestrel({"-d", "p"}, dir.path, page);
    EXPECT_EQ(run.exit_code, 0);
    std::string lines;
    for (std::size_t at = 0, end; (end = run.err.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = run.err.substr(at, end - at);
        if (line.rfind("TinyXML2Error", 0) == 0 || line.rfind("**** Attempt", 0) == 0
            || line.rfind("**** The document", 0) == 0 || line.rfind("**** BEGIN X", 0) == 0)
            lines += line.substr(0, 26) + "\n";
    }
    EXPECT_EQ(lines, "**** BEGIN XHTML\n"
                     "TinyXML2Error: " + std::to_string(tinyxml2::XML_ERROR_PARSING_CDATA) + "\n"
                     "**** Attempt 2: Tidy's XHT\n**** BEGIN XHTML\n"
                     "TinyXML2Error: " + std::to_string(tinyxml2::XML_ERROR_PARSING_CDATA) + "\n"
                     "**** Attempt 3: Tidy's XML\n**** BEGIN XML\n"
                     "**** The document comes fr\n");
    EXPECT_EQ(run.out, "<p>\n    <script>\n// &lt;![CDATA[\nx();\n// ]]&amp;gt;\n</script>\n</p>\n\n");
}
