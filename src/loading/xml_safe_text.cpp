#include "loading/xml_safe_text.hpp"

#include <cstdint>
#include <string_view>

namespace {

constexpr std::string_view replacement_character = "\xef\xbf\xbd";

// Written without branches, so that a loop over it can be vectorised.
bool is_forbidden_control(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return ((byte & 0xe0) == 0) & (c != '\t') & (c != '\n') & (c != '\r');
}

bool is_allowed_code(std::uint32_t code)
{
    return code == '\t' || code == '\n' || code == '\r' || (code >= 0x20 && code <= 0x10ffff);
}

// The value of c as a digit in the base, or -1.
int digit_value(char c, bool hex)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (hex && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The length of the character reference that begins at text[at] when it
// names no character XML allows; 0 when there is none or it names one. A
// reference is read as the XML parser reads it: "&#" or "&#x", digits of
// that base (perhaps none), ";". Past the leading zeros, more than seven
// digits name no character in either base (the parser's value of them wraps
// around, so it may name anything).
std::size_t forbidden_reference_length(std::string_view text, std::size_t at)
{
    std::size_t end = at + 2;
    if (end > text.size() || text[at + 1] != '#')
        return 0;
    const bool hex = end < text.size() && text[end] == 'x';
    if (hex)
        ++end;
    const std::size_t first_digit = end;
    std::uint32_t code = 0;
    std::size_t significant = 0;
    for (int digit = 0; end < text.size() && (digit = digit_value(text[end], hex)) >= 0; ++end) {
        if (significant > 0 || digit != 0)
            ++significant;
        if (significant <= 7)
            code = code * (hex ? 16 : 10) + std::uint32_t(digit);
    }
    if (end == text.size() || text[end] != ';')
        return 0;
    if (end > first_digit && significant <= 7 && is_allowed_code(code))
        return 0;
    return end + 1 - at;
}

// The constructs whose content the XML parser takes as it is, without
// decoding references, with the text that ends each; the first that an
// opening "<" begins is the one.
struct unparsed_construct {
    std::string_view opening, closing;
};
constexpr unparsed_construct unparsed_constructs[] = {
    {"<?", "?>"}, {"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<!", ">"}};

// Where the scan stands, as the parser reads the text: references are
// decoded in content and in quoted attribute values.
enum class place { content, tag, attribute_value, unparsed };

// Builds the safe text, copying the original up to each replacement; nothing
// is copied while nothing has been replaced.
struct replacer {
    const std::string& text;
    std::string safe;
    std::size_t copied = 0;
    bool replaced = false;

    void replace(std::size_t from, std::size_t to)
    {
        if (!replaced)
            safe.reserve(text.size() + replacement_character.size());
        replaced = true;
        safe.append(text, copied, from - copied);
        safe += replacement_character;
        copied = to;
    }
};

// Whether the text may need a replacement: a forbidden control byte, or a
// forbidden reference in any place. Nearly every document has neither, and
// this costs about a tenth of the scan that knows the places.
bool may_need_replacing(std::string_view text)
{
    // The compiler vectorises the inner loop: a fixed count without an exit.
    constexpr std::size_t block = 64;
    std::size_t from = 0;
    for (; from + block <= text.size(); from += block) {
        const char* bytes = text.data() + from;
        unsigned char control = 0;
        for (std::size_t i = 0; i < block; ++i)
            control |= static_cast<unsigned char>(is_forbidden_control(bytes[i]));
        if (control)
            return true;
    }
    for (; from < text.size(); ++from)
        if (is_forbidden_control(text[from]))
            return true;
    for (std::size_t at = text.find("&#"); at != std::string_view::npos; at = text.find("&#", at + 2))
        if (forbidden_reference_length(text, at) != 0)
            return true;
    return false;
}

}

std::string xml_safe_text(std::string text)
{
    if (!may_need_replacing(text))
        return text;
    replacer out{text, {}};
    place where = place::content;
    char quote = 0;
    std::string_view closing;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (is_forbidden_control(c)) {
            out.replace(i, i + 1);
            ++i;
            continue;
        }
        switch (where) {
        case place::content:
            if (c == '<') {
                where = place::tag;
                for (const unparsed_construct& construct : unparsed_constructs)
                    if (text.compare(i, construct.opening.size(), construct.opening) == 0) {
                        where = place::unparsed;
                        closing = construct.closing;
                        i += construct.opening.size() - 1;
                        break;
                    }
            }
            break;
        case place::tag:
            if (c == '"' || c == '\'') {
                quote = c;
                where = place::attribute_value;
            } else if (c == '>') {
                where = place::content;
            }
            break;
        case place::attribute_value:
            if (c == quote)
                where = place::tag;
            break;
        case place::unparsed:
            if (c == closing.front() && text.compare(i, closing.size(), closing) == 0) {
                where = place::content;
                i += closing.size() - 1;
            }
            break;
        }
        if (c == '&' && (where == place::content || where == place::attribute_value)) {
            if (const std::size_t length = forbidden_reference_length(text, i)) {
                out.replace(i, i + length);
                i += length;
                continue;
            }
        }
        ++i;
    }
    if (!out.replaced)
        return text;
    out.safe.append(text, out.copied);
    return std::move(out.safe);
}
