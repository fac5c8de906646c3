#include "text/utf8.hpp"

#include <gtest/gtest.h>
#include <string>

namespace {

using namespace std::string_literals;

// Each boundary of Unicode's table of well-formed sequences, on both sides,
// and sequences placed where the eight-byte ASCII steps end.
TEST(utf8, is_utf8_takes_exactly_the_well_formed_sequences)
{
    struct utf8_case {
        const char* what;
        std::string bytes;
        bool valid;
    };
    const utf8_case cases[] = {
        {"empty", "", true},
        {"ASCII with a NUL", "a\0b"s, true},
        {"smallest two-byte", "\xC2\x80", true},
        {"overlong two-byte C1", "\xC1\xBF", false},
        {"overlong two-byte C0", "\xC0\x80", false},
        {"largest two-byte", "\xDF\xBF", true},
        {"smallest three-byte", "\xE0\xA0\x80", true},
        {"overlong three-byte", "\xE0\x9F\xBF", false},
        {"last before the surrogates", "\xED\x9F\xBF", true},
        {"first surrogate", "\xED\xA0\x80", false},
        {"last surrogate", "\xED\xBF\xBF", false},
        {"first after the surrogates", "\xEE\x80\x80", true},
        {"smallest four-byte", "\xF0\x90\x80\x80", true},
        {"overlong four-byte", "\xF0\x8F\xBF\xBF", false},
        {"U+10FFFF", "\xF4\x8F\xBF\xBF", true},
        {"above U+10FFFF", "\xF4\x90\x80\x80", false},
        {"lead F5", "\xF5\x80\x80\x80", false},
        {"byte FF", "\xFF", false},
        {"lone continuation", "\x80", false},
        {"lead then ASCII", "\xC3" "A", false},
        {"three-byte cut short at the end", "abc\xE2\x82", false},
        {"four-byte with a bad last byte", "\xF0\x9F\x98" "A", false},
        {"windows-1252 e acute", "caf\xE9", false},
        {"sequence across the first eight bytes", "1234567\xC3\xA9" "89", true},
        {"bad byte after eight ASCII bytes", "12345678\xE9", false},
        {"bad byte after sixteen ASCII bytes", "1234567812345678\xE9", false},
        {"bad byte in the last of eight", "1234567\xE9", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(is_utf8(c.bytes), c.valid);
    }
}

}
