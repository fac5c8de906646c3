#include "loading/utf8_conversion.hpp"

#include <gtest/gtest.h>
#include <string>

namespace {

const std::string replacement = "\xEF\xBF\xBD";

// What the conversion does where glibc's converter alone would stop: bytes
// an encoding leaves undefined, sequences broken or cut short, the state of
// ISO-2022-JP, and the characters only the fallback converter knows.
TEST(utf8_conversion, broken_and_extended_sequences)
{
    struct conversion_case {
        const char* what;
        const char* label;
        std::string bytes;
        std::string utf8;
    };
    const conversion_case cases[] = {
        {"windows-1252's undefined bytes", "windows-1252", "a\x81\x8D\x8F\x90\x9D" "b",
         "a" + replacement + replacement + replacement + replacement + replacement + "b"},
        {"a Shift_JIS lead byte before ASCII keeps the ASCII", "shift_jis", "\x81" "<p>",
         replacement + "<p>"},
        {"a Shift_JIS lead byte cut short at the end", "shift_jis", "\x93\xFA\x96",
         "\xE6\x97\xA5" + replacement},
        {"Shift_JIS keeps the backslash and the tilde", "shift_jis", "\\~", "\\~"},
        {"Shift_JIS wave dash as browsers read it", "shift_jis", "\x81\x60", "\xEF\xBD\x9E"},
        {"Shift_JIS NEC row 13", "shift_jis", "\x87\x40", "\xE2\x91\xA0"},
        {"ISO-2022-JP escapes, half-width katakana and back to ASCII", "iso-2022-jp",
         "a\x1B$BF|\x1B(I1\x1B(Bb", "a\xE6\x97\xA5\xEF\xBD\xB1" "b"},
        {"ISO-2022-JP ending in the middle of JIS X 0208", "iso-2022-jp", "\x1B$BF|",
         "\xE6\x97\xA5"},
        {"Big5's HKSCS characters through the fallback", "big5", "\x88\x62\x87\x40",
         "\xC3\x8A\xCC\x84\xE4\x8F\xB0"},
        {"GBK's single-byte euro sign through the fallback", "gbk", "\x80\xD6\xD0",
         "\xE2\x82\xAC\xE4\xB8\xAD"},
        {"gb18030's four-byte sequences", "gb18030", "\x81\x30\x81\x30", "\xC2\x80"},
        {"a GBK lead byte before ASCII", "gbk", "\x81 x", replacement + " x"},
        {"EUC-KR is windows-949", "euc-kr", "\xC7\xD1\x81\x41", "\xED\x95\x9C\xEA\xB0\x82"},
        {"KOI8-U holds the Belarusian short u", "koi8-u", "\xAE", "\xD1\x9E"},
        {"nothing", "windows-1251", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const web_encoding* encoding = encoding_for_label(c.label);
        ASSERT_NE(encoding, nullptr);
        const utf8_conversion converted = convert_to_utf8(c.bytes, *encoding);
        EXPECT_FALSE(converted.problem);
        EXPECT_EQ(converted.text, c.utf8);
    }
}

// A page made of nothing but undefined bytes is converted in one pass: one
// U+FFFD each, however many there are.
TEST(utf8_conversion, every_undefined_byte_becomes_one_replacement_character)
{
    const std::size_t count = 200000;
    const utf8_conversion converted =
        convert_to_utf8(std::string(count, '\x81'), *encoding_for_label("windows-1252"));
    ASSERT_EQ(converted.text.size(), count * replacement.size());
    EXPECT_EQ(converted.text.substr(converted.text.size() - 6), replacement + replacement);
}

}
