#include "loading/encodings.hpp"
#include "loading/tidy_worker.hpp"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

TEST(encodings, utf16_names_in_any_case)
{
    const std::pair<std::optional<std::string>, bool> cases[] = {
        {std::nullopt, false}, {"utf16", true}, {"UTF16", true}, {"Utf16LE", true},
        {"utf16be", true}, {"utf-16", false}, {"utf16 ", false}, {"utf8", false},
        {"win1251", false}, {"", false},
    };
    for (const auto& [name, utf16] : cases)
        EXPECT_EQ(names_utf16(name), utf16) << name.value_or("(none)");
}

TEST(encodings, win1251_names_in_any_case)
{
    EXPECT_TRUE(names_win1251("win1251"));
    EXPECT_TRUE(names_win1251("WIN1251"));
    EXPECT_TRUE(names_win1251("Win1251"));
    EXPECT_FALSE(names_win1251("win-1251"));
    EXPECT_FALSE(names_win1251("win125"));
    EXPECT_FALSE(names_win1251("cp1251"));
}

TEST(encodings, input_is_cut_at_its_first_nul_unless_it_is_utf16)
{
    const std::string text = "ab\0cd\0"s;
    EXPECT_EQ(processed_input(text, std::nullopt), "ab");
    EXPECT_EQ(processed_input(text, "latin1"), "ab");
    EXPECT_EQ(processed_input(text, "win1251"), "ab");
    EXPECT_EQ(processed_input(text, "utf16le"), text);
    EXPECT_EQ(processed_input("\0"s, std::nullopt), "");
    EXPECT_EQ(processed_input("", "utf16"), "");
    EXPECT_EQ(processed_input("plain", std::nullopt), "plain");
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
    const tidy_worker worker(false, utf16le_page(), "utf16", std::nullopt);
    EXPECT_EQ(worker.status, 0);
    EXPECT_NE(worker.xhtml.find("<p>\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82</p>"),
              std::string::npos)
        << worker.xhtml;
}

}
