#include "loading/cp1251.hpp"

#include <array>
#include <gtest/gtest.h>
#include <string>

namespace {

// The Windows-1251 code page from 0x80 to 0xFF as UTF-8 text; 0x98 has no
// character. The two invisible ones are written as escapes: the no-break
// space (0xA0) and the soft hyphen (0xAD).
const std::array<std::string, 128> code_page_upper_half = {
    "Ђ", "Ѓ", "‚", "ѓ", "„", "…", "†", "‡",  // 0x80
    "€", "‰", "Љ", "‹", "Њ", "Ќ", "Ћ", "Џ",  // 0x88
    "ђ", "‘", "’", "“", "”", "•", "–", "—",  // 0x90
    "", "™", "љ", "›", "њ", "ќ", "ћ", "џ",  // 0x98
    "\u00A0", "Ў", "ў", "Ј", "¤", "Ґ", "¦", "§",  // 0xA0
    "Ё", "©", "Є", "«", "¬", "\u00AD", "®", "Ї",  // 0xA8
    "°", "±", "І", "і", "ґ", "µ", "¶", "·",  // 0xB0
    "ё", "№", "є", "»", "ј", "Ѕ", "ѕ", "ї",  // 0xB8
    "А", "Б", "В", "Г", "Д", "Е", "Ж", "З",  // 0xC0
    "И", "Й", "К", "Л", "М", "Н", "О", "П",  // 0xC8
    "Р", "С", "Т", "У", "Ф", "Х", "Ц", "Ч",  // 0xD0
    "Ш", "Щ", "Ъ", "Ы", "Ь", "Э", "Ю", "Я",  // 0xD8
    "а", "б", "в", "г", "д", "е", "ж", "з",  // 0xE0
    "и", "й", "к", "л", "м", "н", "о", "п",  // 0xE8
    "р", "с", "т", "у", "ф", "х", "ц", "ч",  // 0xF0
    "ш", "щ", "ъ", "ы", "ь", "э", "ю", "я",  // 0xF8
};

std::string bytes_from(int first, int last)
{
    std::string bytes;
    for (int b = first; b <= last; ++b)
        bytes += static_cast<char>(b);
    return bytes;
}

}

TEST(cp1251_to_utf8, every_upper_byte_becomes_its_code_page_character)
{
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << byte);
        EXPECT_EQ(cp1251_to_utf8(std::string(1, static_cast<char>(byte))),
                  code_page_upper_half[byte - 0x80]);
    }
}

TEST(cp1251_to_utf8, whole_upper_half_in_one_text)
{
    std::string expected;
    for (const auto& character : code_page_upper_half)
        expected += character;
    EXPECT_EQ(cp1251_to_utf8(bytes_from(0x80, 0xFF)), expected);
}

TEST(cp1251_to_utf8, ascii_passes_unchanged)
{
    const std::string ascii = bytes_from(0x01, 0x7F);
    EXPECT_EQ(cp1251_to_utf8(ascii), ascii);
    EXPECT_EQ(cp1251_to_utf8(""), "");
}

TEST(cp1251_to_utf8, lengths_and_mixed_text)
{
    struct row {
        std::string source;
        std::string expected;
    };
    const row rows[] = {
        // Letters only: the text doubles.
        {"\xcf\xf0\xe8\xe2\xe5\xf2", "Привет"},
        // Dashes, quotation marks and the ellipsis: the text triples.
        {"\x96\x97\x93\x94\x85\x84", "–—“”…„"},
        // 0x98 is dropped without a trace, wherever it stands.
        {"a\x98" "b", "ab"},
        {"\x98\x98\x98", ""},
        {"<p title=\"\xc0\">\xb9 5 \x80</p>", "<p title=\"А\">№ 5 Ђ</p>"},
    };
    for (const auto& [source, expected] : rows) {
        SCOPED_TRACE(expected);
        EXPECT_EQ(cp1251_to_utf8(source), expected);
    }
    EXPECT_EQ(cp1251_to_utf8("\xcf\xf0\xe8\xe2\xe5\xf2").size(), 12u);
    EXPECT_EQ(cp1251_to_utf8("\x96\x97\x93\x94\x85\x84").size(), 18u);
}
