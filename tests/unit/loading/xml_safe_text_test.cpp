#include "loading/xml_safe_text.hpp"

#include <gtest/gtest.h>

namespace {

const std::string fffd = "\xef\xbf\xbd";

struct safe_case {
    const char* what;
    std::string text;
    std::string safe;
};

void expect_cases(const std::vector<safe_case>& cases)
{
    for (const safe_case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(xml_safe_text(c.text), c.safe);
    }
}

}

// Every byte below 0x20 but tab, LF and CR is replaced wherever it stands;
// 0x20 and DEL are characters XML allows.
TEST(xml_safe_text, control_bytes_by_value)
{
    for (int byte = 0; byte <= 0x7f; ++byte) {
        SCOPED_TRACE(byte);
        const char c = static_cast<char>(byte);
        const bool kept = byte >= 0x20 || c == '\t' || c == '\n' || c == '\r';
        const std::string mark = kept ? std::string(1, c) : fffd;
        for (const auto& [before, after] :
             {std::pair<std::string, std::string>{"<p>a", "b</p>"}, {"<p title=\"a", "b\"/>"},
              {"<!--a", "b-->"}, {"<![CDATA[a", "b]]>"}, {"<?pi a", "b?>"}, {"", ""}}) {
            EXPECT_EQ(xml_safe_text(before + c + after), before + mark + after);
        }
    }
}

TEST(xml_safe_text, character_references_in_text)
{
    expect_cases({
        {"NUL", "<p>ok&#0;</p>", "<p>ok" + fffd + "</p>"},
        {"ESC", "&#27;[31m", fffd + "[31m"},
        {"ESC in hex", "&#x1b;&#x1B;", fffd + fffd},
        {"leading zeros", "&#0027;&#x00001b;", fffd + fffd},
        {"last C0 control", "&#31;&#x1f;", fffd + fffd},
        {"no digits", "&#;&#x;", fffd + fffd},
        {"beyond U+10FFFF", "&#1114112;&#x110000;", fffd + fffd},
        {"eight digits whose first seven name a character", "&#10000320;", fffd},
        {"more digits than the parser counts exactly", "&#x10000001b;", fffd},
        {"tab, LF and CR", "&#9;&#10;&#13;&#xd;", "&#9;&#10;&#13;&#xd;"},
        {"space, DEL and the no-break space", "&#32;&#x20;&#127;&#160;",
         "&#32;&#x20;&#127;&#160;"},
        {"the last character", "&#1114111;&#x10FFFF;", "&#1114111;&#x10FFFF;"},
        {"many leading zeros", "&#000000000000032;&#x0000000000041;",
         "&#000000000000032;&#x0000000000041;"},
        {"seven digits", "&#0065535;", "&#0065535;"},
        {"no reference: capital X", "&#X1b;", "&#X1b;"},
        {"no reference: no semicolon", "&#27 and &#27", "&#27 and &#27"},
        {"no reference: sign or space", "&#-1;&#+27;&# 27;&#x 1b;", "&#-1;&#+27;&# 27;&#x 1b;"},
        {"no reference: cut short", "a&", "a&"},
        {"no reference: cut short after #", "a&#", "a&#"},
        {"named references", "&amp;#27;&lt;", "&amp;#27;&lt;"},
        // The parser reads up to the first ";", and the digits after the last
        // "#" or "x" before it.
        {"digits after the last #", "&#2]]>'#27;&#12#7;", fffd + fffd},
        {"hex digits after the last x", "&#x1]x1b;", fffd},
        {"up to the first semicolon only", "&#27;x;", fffd + "x;"},
        {"no digits before the first semicolon", "&#x;#27;", fffd + "#27;"},
        {"no reference: no digits after the last #", "&#x#1b;&#2z#7b;", "&#x#1b;&#2z#7b;"},
    });
}

// References are decoded in text and in quoted attribute values; inside
// comments, CDATA sections, processing instructions and declarations they
// are text, and stay.
TEST(xml_safe_text, character_references_by_place)
{
    expect_cases({
        {"double-quoted value", "<p title=\"a&#7;b\">", "<p title=\"a" + fffd + "b\">"},
        {"single-quoted value", "<p title='&#7;'>", "<p title='" + fffd + "'>"},
        {"a > inside a value", "<p title=\"a>&#7;\">", "<p title=\"a>" + fffd + "\">"},
        {"the other quote inside a value", "<p title=\"'&#7;'\">", "<p title=\"'" + fffd + "'\">"},
        {"comment", "<!-- &#27; -->", "<!-- &#27; -->"},
        {"CDATA section", "<p><![CDATA[&#0;]]></p>", "<p><![CDATA[&#0;]]></p>"},
        {"processing instruction", "<?php echo '&#27;' ?>", "<?php echo '&#27;' ?>"},
        {"declaration", "<!DOCTYPE x \"&#27;\">", "<!DOCTYPE x \"&#27;\">"},
        {"after each of them", "<!--c-->&#1;<![CDATA[d]]>&#1;<?p?>&#1;<!D>&#1;",
         "<!--c-->" + fffd + "<![CDATA[d]]>" + fffd + "<?p?>" + fffd + "<!D>" + fffd},
        {"a comment's opening does not close it", "<!-->&#27;-->&#27;", "<!-->&#27;-->" + fffd},
        {"a comment never closed", "<!-- &#27; <p>&#27;</p>", "<!-- &#27; <p>&#27;</p>"},
        {"a reference ends with its text", "<p>&#2</p><p>#27;</p>", "<p>&#2</p><p>#27;</p>"},
        {"a reference ends with its value", "<p a=\"&#2\" b=\"#27;\">", "<p a=\"&#2\" b=\"#27;\">"},
    });
}

// A document with nothing to replace is given back as it came, however it
// is cut into the blocks of the first scan.
TEST(xml_safe_text, documents_without_forbidden_characters_are_unchanged)
{
    std::string page = "<!DOCTYPE html>\n<html><body>";
    for (int i = 0; page.size() < 5000; ++i)
        page += "<p class=\"c" + std::to_string(i) + "\">caf\xc3\xa9&#160;&amp;\t\r\n</p>";
    for (std::size_t size = 0; size <= 200; ++size) {
        const std::string text = page.substr(0, size);
        EXPECT_EQ(xml_safe_text(text), text) << size;
    }
    EXPECT_EQ(xml_safe_text(page), page);
    for (const std::size_t at : {std::size_t(0), std::size_t(63), std::size_t(64), page.size() - 1}) {
        std::string damaged = page;
        damaged[at] = '\x1b';
        std::string safe = page;
        safe.replace(at, 1, fffd);
        EXPECT_EQ(xml_safe_text(damaged), safe) << at;
    }
}
