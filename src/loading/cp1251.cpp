#include "loading/cp1251.hpp"

#include <array>
#include <cstdint>

namespace {

// Code points of the bytes 0x80 to 0xBF; 0 marks 0x98, which has none. The
// bytes 0xC0 to 0xFF are the letters U+0410 to U+044F in order.
constexpr std::array<char16_t, 64> upper_half_symbols = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // 0xB8
};

char16_t code_point_of(unsigned char byte)
{
    if (byte >= 0xC0)
        return static_cast<char16_t>(0x0410 + (byte - 0xC0));
    return upper_half_symbols[byte - 0x80];
}

// Appends the UTF-8 form of a code point from U+0080 to U+FFFF.
void append_utf8(std::string& out, char16_t code_point)
{
    const auto cp = static_cast<std::uint32_t>(code_point);
    if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (cp & 0x3F));
}

}

std::string cp1251_to_utf8(std::string_view source)
{
    std::string out;
    out.reserve(source.size() * 2);
    for (const char c : source) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
            continue;
        }
        const char16_t code_point = code_point_of(byte);
        if (code_point != 0)
            append_utf8(out, code_point);
    }
    return out;
}
