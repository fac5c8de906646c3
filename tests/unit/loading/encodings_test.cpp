#include "loading/encodings.hpp"
#include "loading/tidy_worker.hpp"
#include "named_encoding.hpp"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

// What a "-i" name means; none for a name neither the program, Tidy nor the
// Encoding Standard knows. Tidy's names keep Tidy's meaning, except the three
// whose decoders give wrong text.
TEST(encodings, names_are_worked_out_once)
{
    struct name_case {
        std::string name;
        bool known;
        std::string tidy_name;
        bool converts_win1251;
        std::string converted;  // the Encoding Standard's name, when iconv reads it
        bool reads_past_nul;
    };
    const name_case cases[] = {
        {"win1251", true, "utf8", true, "", false},
        {"WIN1251", true, "utf8", true, "", false},
        {"Win1251", true, "utf8", true, "", false},
        {"utf16", true, "utf16", false, "", true},
        {"UTF16", true, "UTF16", false, "", true},
        {"Utf16LE", true, "Utf16LE", false, "", true},
        {"utf16be", true, "utf16be", false, "", true},
        {"latin1", true, "latin1", false, "", false},
        {"LATIN1", true, "LATIN1", false, "", false},
        {"ascii", true, "ascii", false, "", false},
        {"utf8", true, "utf8", false, "", false},
        {"shiftjis", true, "utf8", false, "Shift_JIS", false},
        {"BIG5", true, "utf8", false, "Big5", false},
        {"iso2022", true, "utf8", false, "ISO-2022-JP", false},
        {"cp1251", true, "utf8", false, "windows-1251", false},
        {"iso-8859-1", true, "utf8", false, "windows-1252", false},
        {" GB2312\t", true, "utf8", false, "GBK", false},
        {"euc-kr", true, "utf8", false, "EUC-KR", false},
        {"sjis", true, "utf8", false, "Shift_JIS", false},
        {"utf-16", true, "utf8", false, "UTF-16LE", true},
        {"utf-16be", true, "utf8", false, "UTF-16BE", true},
        {"utf-8", true, "utf8", false, "", false},
        {"win-1251", false, "", false, "", false},
        {"win125", false, "", false, "", false},
        {"utf16 ", false, "", false, "", false},
        {"latin-1", false, "", false, "", false},
        {"iso-2022-kr", false, "", false, "", false},
        {"x-user-defined", false, "", false, "", false},
        {"", false, "", false, "", false},
        {"klingon", false, "", false, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto encoding = choose_input_encoding(c.name);
        ASSERT_EQ(encoding.has_value(), c.known);
        if (!encoding)
            continue;
        EXPECT_FALSE(encoding->from_page);
        EXPECT_EQ(encoding->tidy_name, c.tidy_name);
        EXPECT_EQ(encoding->converts_win1251, c.converts_win1251);
        EXPECT_EQ(encoding->converted ? encoding->converted->name : "", c.converted);
        EXPECT_EQ(encoding->reads_past_nul, c.reads_past_nul);
    }
}

TEST(encodings, every_offered_name_is_known)
{
    for (const std::string_view name : offered_encodings)
        EXPECT_TRUE(choose_input_encoding(std::string(name)).has_value()) << name;
}

// Only in the UTF-16 encodings do NUL bytes belong to the text, so that an
// input is read past its first one.
TEST(encodings, input_is_read_past_its_first_nul_only_in_utf16)
{
    EXPECT_FALSE(input_encoding{}.reads_past_nul);
    for (const char* name : {"latin1", "win1251", "utf8", "gbk"})
        EXPECT_FALSE(named(name).reads_past_nul) << name;
    for (const char* name : {"utf16le", "utf16be", "utf16", "UTF-16LE"})
        EXPECT_TRUE(named(name).reads_past_nul) << name;
}

// "<p>Привет</p>" in UTF-16 little-endian, with a byte-order mark.
std::string utf16le_page()
{
    const char16_t text[] = u"<p>\u041f\u0440\u0438\u0432\u0435\u0442</p>";
    std::string bytes = "\xff\xfe";
    for (const char16_t unit : std::u16string_view(text)) {
        bytes += static_cast<char>(unit & 0xff);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

TEST(encodings, utf16_input_is_read_whole_and_written_as_utf8)
{
    const tidy_worker worker(utf16le_page(), named("utf16").tidy_name, repair_rules::xhtml);
    EXPECT_EQ(worker.status, 0);
    EXPECT_NE(worker.xhtml.find("<p>\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82</p>"),
              std::string::npos)
        << worker.xhtml;
}

}
