// Input encodings through the whole program.
#include "harness.hpp"

#include <algorithm>
#include <gtest/gtest.h>
#include <iconv.h>
#include <stdexcept>

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
                              "utf16le, utf16be, utf16, big5, shiftjis, and the labels of the "
                              "Encoding Standard, such as iso-8859-2, koi8-r, gbk or euc-kr\n";
    for (const std::string name : {"klingon", "latin-1", "utf_8"}) {
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

namespace {

// The UTF-8 text in the charset, written by glibc's iconv: how the tests
// make pages in legacy encodings without keeping binary files.
std::string encoded(const std::string& utf8, const char* charset)
{
    const iconv_t cd = iconv_open(charset, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("no converter to ") + charset);
    std::string out(utf8.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t left = utf8.size();
    char* to = out.data();
    std::size_t room = out.size();
    const bool whole = iconv(cd, &in, &left, &to, &room) != static_cast<std::size_t>(-1)
        && iconv(cd, nullptr, nullptr, &to, &room) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    if (!whole)
        throw std::runtime_error(std::string("the text does not fit ") + charset);
    out.resize(out.size() - room);
    return out;
}

struct legacy_page {
    const char* what;
    // The charset the page is written in, as iconv names it.
    const char* charset;
    // What stands in the head before the title: the declaration, if any.
    std::string head;
    std::string text;
    std::vector<std::string> options;
};

std::string page_with(const legacy_page& page)
{
    return "<html><head>" + page.head + "<title>" + page.text + "</title></head><body><p class=x>"
        + page.text + "</p><p>" + page.text + "</p></body></html>";
}

std::string meta(const char* label)
{
    return std::string("<meta charset=\"") + label + "\">";
}

const std::string german = "Die Straße führt über die Brücke – „schön“, sagt er, für 5 €.";
const std::string russian = "Съешь же ещё этих мягких французских булок, да выпей чаю.";
const std::string japanese = "日本語のテキスト。";
const std::string simplified = "中文网页，简体字。";
const std::string traditional = "繁體中文網頁。";
const std::string korean = "한국어 페이지입니다.";
const std::string polish = "Zażółć gęślą jaźń.";
const std::string turkish = "Türkçe: ğüşıöç İstanbul.";
const std::string arabic = "مرحبا بالعالم.";
const std::string greek = "Καλημέρα κόσμε.";
const std::string latin1 = "Grüße aus Köln, ça va, ½ § été.";

const legacy_page legacy_pages[] = {
    {"windows-1252", "CP1252", meta("windows-1252"), german, {}},
    {"iso-8859-1", "ISO-8859-1", meta("iso-8859-1"), latin1, {}},
    {"windows-1251", "CP1251", meta("windows-1251"), russian, {}},
    {"koi8-r", "KOI8-R", meta("koi8-r"), russian, {}},
    {"shift_jis", "SHIFT_JIS", meta("shift_jis"), japanese, {}},
    {"euc-jp", "EUC-JP", meta("euc-jp"), japanese, {}},
    {"gbk", "GBK", meta("gbk"), simplified, {}},
    {"gb2312", "GB2312", meta("gb2312"), simplified, {}},
    {"big5", "BIG5", meta("big5"), traditional, {}},
    {"euc-kr", "EUC-KR", meta("euc-kr"), korean, {}},
    {"windows-1250", "CP1250", meta("windows-1250"), polish, {}},
    {"iso-8859-2", "ISO-8859-2", meta("iso-8859-2"), polish, {}},
    {"windows-1254", "CP1254", meta("windows-1254"), turkish, {}},
    {"windows-1256", "CP1256", meta("windows-1256"), arabic, {}},
    {"iso-8859-7", "ISO-8859-7", meta("iso-8859-7"), greek, {}},
    // The detector takes this text for ISO-8859-2: only the declarations
    // make it right.
    {"http-equiv after 2,000 bytes of head", "ISO-8859-1",
     "<!-- " + std::string(2000, '-') + " --><meta http-equiv=\"Content-Type\" "
     "content=\"text/html; charset=ISO-8859-1\">", latin1, {}},
    {"XML declaration", "ISO-8859-1", "", latin1, {}},
    {"undeclared windows-1252", "CP1252", "", german, {}},
    {"undeclared windows-1251", "CP1251", "", russian, {}},
    {"-i shiftjis", "SHIFT_JIS", "", japanese, {"-i", "shiftjis"}},
    {"-i big5", "BIG5", "", traditional, {"-i", "big5"}},
    {"-i iso2022", "ISO-2022-JP", "", japanese, {"-i", "iso2022"}},
    {"-i GBK, a label of the Encoding Standard", "GBK", "", simplified, {"-i", "GBK"}},
    {"-i wins over the declaration", "KOI8-R", meta("windows-1251"), russian, {"-i", "koi8-r"}},
};

// A page written in a legacy encoding gives exactly the bytes of the same
// page written in UTF-8: declared, detected, or named with "-i".
TEST(encodings, legacy_pages_give_the_bytes_of_the_same_page_in_utf8)
{
    for (const legacy_page& page : legacy_pages) {
        SCOPED_TRACE(page.what);
        scratch_dir dir;
        std::string utf8 = page_with(page);
        if (std::string(page.what) == "XML declaration")
            utf8 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n" + utf8;
        dir.write("utf8.html", utf8);
        dir.write("legacy.html", encoded(utf8, page.charset));
        const auto expected = run_vestrel({"html", "utf8.html"}, dir.path);
        // Tidy wraps long lines.
        std::string flat = expected.out;
        std::replace(flat.begin(), flat.end(), '\n', ' ');
        ASSERT_NE(flat.find("<p class=\"x\">" + page.text + "</p>"), std::string::npos)
            << expected.out;
        std::vector<std::string> args = page.options;
        args.insert(args.end(), {"html", "legacy.html"});
        const auto run = run_vestrel(args, dir.path);
        EXPECT_EQ(run.out, expected.out);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.exit_code, 0);
    }
}

// A byte-order mark decides over a name that the program converts, as it
// does over Tidy's names.
TEST(encodings, a_byte_order_mark_decides_over_a_converted_name)
{
    scratch_dir dir;
    const auto run = run_vestrel({"-i", "gbk", "p"}, dir.path,
                                 std::string("\xef\xbb\xbf<p>\xe4\xb8\xad</p>"));
    EXPECT_EQ(run.out, "<p>\xe4\xb8\xad</p>\n\n");
}

// Verbose mode says how the encoding was chosen, in one line right after the
// raw source, only when the page's declaration or the detector chose it.
TEST(encodings, verbose_mode_says_how_the_encoding_was_chosen)
{
    struct verbose_case {
        const char* what;
        std::string page;
        std::string line;
    };
    const verbose_case cases[] = {
        {"declared", "<meta charset=ISO-8859-1><p>caf\xe9</p>",
         "**** Input encoding: windows-1252, declared by the page (iso-8859-1)\n"},
        {"declared UTF-8 on bytes that are not", "<meta charset=utf-8><p>caf\xe9</p>",
         "**** Input encoding: UTF-8, declared by the page (utf-8)\n"},
        {"detected", encoded("<p>" + russian + "</p>", "CP1251"),
         "**** Input encoding: windows-1251, detected\n"},
        {"the default", "\xc0\xc0", "**** Input encoding: windows-1252, the default\n"},
        {"UTF-8", "<meta charset=koi8-r><p>caf\xc3\xa9</p>", ""},
        {"a byte-order mark", "\xef\xbb\xbf<meta charset=koi8-r><p>caf\xe9</p>", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        scratch_dir dir;
        const auto run = run_vestrel({"-d", "p"}, dir.path, c.page);
        const std::string raw_end = c.page + "\n**** END The HTML raw source\n";
        const std::size_t at = run.err.find(raw_end);
        ASSERT_NE(at, std::string::npos) << run.err;
        const std::string after = run.err.substr(at + raw_end.size());
        EXPECT_EQ(after.substr(0, c.line.size()), c.line);
        EXPECT_EQ(after.compare(c.line.size(), 5, "**** "), 0) << after;
        EXPECT_EQ(after.find("Input encoding", c.line.size()), std::string::npos);
    }
}

}
