#include "loading/page_encoding.hpp"
#include "loading/tidy_worker.hpp"
#include "named_encoding.hpp"

#include <gtest/gtest.h>
#include <sstream>

namespace {

const std::string raw_banner = "**** BEGIN The HTML raw source\n";
const std::string raw_end = "**** END The HTML raw source\n";
const std::string diagnostics_banner = "**** TIDY Diagnostics for raw HTML source: ";
const std::string xhtml_banner = "**** BEGIN XHTML\n";
const std::string xhtml_end = "**** END XHTML\n";

// A document in which Tidy finds nothing to report.
const std::string clean_page =
    "<!DOCTYPE html><html><head><title>t</title></head><body><p>x</p></body></html>";

std::string raw_section(const std::string& raw)
{
    return raw_banner + raw + "\n" + raw_end;
}

std::string xhtml_section(const std::string& xhtml)
{
    return xhtml_banner + xhtml + "\n" + xhtml_end;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The first attempt at a page as a run makes it: read in the encoding named
// (decode_page), and with verbose what the run shows of it.
struct repaired {
    tidy_worker worker;
    std::string shown;
};

repaired repair(std::string_view raw, const input_encoding& encoding = {}, bool verbose = false)
{
    const decoded_page page = decode_page(raw, encoding);
    repaired done{tidy_worker(page.text(raw), page.tidy_name, repair_rules::xhtml), {}};
    if (verbose) {
        std::ostringstream shown;
        show_repair(shown, raw, done.worker, page.encoding_line);
        done.shown = shown.str();
    }
    return done;
}

}

TEST(tidy_worker, repairs_html_into_xhtml)
{
    const tidy_worker worker = repair("<ul><li>one<li>two</ul><br>").worker;
    EXPECT_EQ(worker.status, 0);
    EXPECT_TRUE(contains(worker.xhtml, "<html xmlns=\"http://www.w3.org/1999/xhtml\">"));
    EXPECT_TRUE(contains(worker.xhtml, "<li>one</li>\n<li>two</li>"));
    EXPECT_TRUE(contains(worker.xhtml, "<br />"));
}

// Tidy must leave the user's content alone: each of these would otherwise be
// dropped, invented or corrupted.
TEST(tidy_worker, keeps_document_content)
{
    struct row {
        const char* what;
        std::string raw;
        std::string kept;
    };
    const row rows[] = {
        {"no-break space as numeric reference", "<p title=\"a\u00a0b\">x\u00a0y</p>",
         "<p title=\"a&#160;b\">x&#160;y</p>"},
        {"named no-break space", "<p>x&nbsp;y</p>", "<p>x&#160;y</p>"},
        {"empty span", "<p><span class=\"icon\"></span>text</p>",
         "<p><span class=\"icon\"></span>text</p>"},
        {"empty i", "<p><i class=\"fa fa-star\"></i></p>", "<i class=\"fa fa-star\"></i>"},
        {"empty div", "<div></div><p>x</p>", "<div></div>"},
        {"empty paragraph", "<p></p><p>x</p>", "<p></p>"},
        {"custom element", "<my-widget data-x=\"1\">w</my-widget>",
         "<my-widget data-x=\"1\">w</my-widget>"},
    };
    for (const auto& [what, raw, kept] : rows) {
        SCOPED_TRACE(what);
        const tidy_worker worker = repair(raw).worker;
        EXPECT_EQ(worker.status, 0);
        EXPECT_TRUE(contains(worker.xhtml, kept)) << worker.xhtml;
        EXPECT_FALSE(contains(worker.xhtml, "&nbsp;"));
        EXPECT_FALSE(contains(worker.xhtml, "generator"));
    }
}

// Without verbose mode nothing reaches the standard streams, caught at their
// file descriptors (as GoogleTest catches them): libtidy writes its
// diagnostics to descriptor 2 itself unless they are sent to a buffer.
TEST(tidy_worker, quiet_without_verbose)
{
    for (const std::string& raw : {clean_page, std::string("<p>x"), std::string("<zzz>y</zzz>")}) {
        SCOPED_TRACE(raw);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = repair(raw).worker.status;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(err, "");
        EXPECT_EQ(status, 0);
    }
}

TEST(tidy_worker, verbose_clean_document_has_no_diagnostics_section)
{
    const auto [worker, shown] = repair(clean_page, {}, true);
    EXPECT_EQ(worker.status, 0);
    EXPECT_TRUE(contains(worker.xhtml, "<p>x</p>"));
    EXPECT_EQ(shown, raw_section(clean_page) + xhtml_section(worker.xhtml));
}

// Warnings (missing doctype and title) and errors (an unknown element) both
// bring the diagnostics section, between the raw source and the XHTML; with
// errors the document is still written.
TEST(tidy_worker, verbose_diagnostics_before_xhtml)
{
    for (const std::string& raw : {std::string("<p>x</p>"), std::string("<p>x</p><zzz>y</zzz>")}) {
        SCOPED_TRACE(raw);
        const auto [worker, text] = repair(raw, {}, true);
        EXPECT_EQ(worker.status, 0);
        EXPECT_TRUE(contains(worker.xhtml, "<p>x</p>"));
        const std::string head = raw_section(raw) + diagnostics_banner;
        const std::string tail = "\n" + xhtml_section(worker.xhtml);
        ASSERT_GT(text.size(), head.size() + tail.size());
        EXPECT_EQ(text.substr(0, head.size()), head);
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    }
}

TEST(tidy_worker, unknown_element_still_gives_its_text)
{
    const tidy_worker worker = repair("<p>x</p><zzz>kept text</zzz>").worker;
    EXPECT_EQ(worker.status, 0);
    EXPECT_TRUE(contains(worker.xhtml, "kept text"));
}

TEST(tidy_worker, win1251_is_converted_in_any_letter_case)
{
    const std::string raw = "<p title=\"\xc0\">\xcf\xf0\xe8\xe2\xe5\xf2 \x97 \xb9\x98" "5</p>";
    for (const std::string name : {"win1251", "WIN1251", "Win1251"}) {
        SCOPED_TRACE(name);
        const auto [worker, shown] = repair(raw, named(name), true);
        EXPECT_EQ(worker.status, 0);
        EXPECT_TRUE(contains(worker.xhtml, "<p title=\"А\">Привет — №5</p>")) << worker.xhtml;
        // The raw section shows the bytes as they came in.
        EXPECT_EQ(shown.substr(0, raw_section(raw).size()), raw_section(raw));
    }
}

TEST(tidy_worker, input_encodings)
{
    struct row {
        std::optional<std::string> encoding;
        std::string raw;
        std::string expected;
    };
    const row rows[] = {
        {std::nullopt, "<p>\xc3\xa9t\xc3\xa9</p>", "<p>\xc3\xa9t\xc3\xa9</p>"},
        {"utf8", "<p>\xc3\xa9t\xc3\xa9</p>", "<p>\xc3\xa9t\xc3\xa9</p>"},
        // Named encodings other than win1251 are Tidy's to decode.
        {"latin1", "<p>\xe9t\xe9</p>", "<p>\xc3\xa9t\xc3\xa9</p>"},
        {"LATIN1", "<p>\xe9t\xe9</p>", "<p>\xc3\xa9t\xc3\xa9</p>"},
        // A neighbouring code page that Tidy decodes itself.
        {"win1252", "<p>\x80\xe9</p>", "<p>\xe2\x82\xac\xc3\xa9</p>"},
    };
    for (const auto& [encoding, raw, expected] : rows) {
        SCOPED_TRACE(encoding.value_or("(none)"));
        const tidy_worker worker = repair(raw, named(encoding)).worker;
        EXPECT_EQ(worker.status, 0);
        EXPECT_TRUE(contains(worker.xhtml, expected)) << worker.xhtml;
    }
}

TEST(tidy_worker, empty_input_gives_an_empty_document)
{
    for (const std::optional<std::string>& encoding : {std::optional<std::string>(), std::optional<std::string>("win1251")}) {
        const tidy_worker worker = repair("", named(encoding)).worker;
        EXPECT_EQ(worker.status, 0);
        EXPECT_TRUE(contains(worker.xhtml, "<body>\n</body>")) << worker.xhtml;
    }
}

// The repair takes every byte it is handed, so that UTF-16 text, whose
// characters hold zero bytes, reaches Tidy whole; where the run ends an
// input at its first zero byte is read_input's to decide. Tidy itself drops
// a zero byte and reads on.
TEST(tidy_worker, repairs_every_byte_it_is_handed_zero_bytes_included)
{
    const std::string raw("<p>seen</p>\0<p>also seen</p>", 28);
    const auto [worker, shown] = repair(raw, {}, true);
    EXPECT_EQ(worker.status, 0);
    EXPECT_TRUE(contains(worker.xhtml, "<p>seen</p>\n<p>also seen</p>")) << worker.xhtml;
    EXPECT_EQ(shown.substr(0, raw_section(raw).size()), raw_section(raw));
}
