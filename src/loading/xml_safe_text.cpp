#include "loading/xml_safe_text.hpp"

#include <algorithm>
#include <cstdint>
#include <optional>
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

// Character references as the XML parser reads them. A reference runs from
// "&#" (or "&#x", hexadecimal) to the first ";" after it in the same text or
// attribute value, and its value is the run of digits of the base between
// the last "#" (or "x") and that ";", whatever stands before them:
// "&#2]]>'#27;" is ESC to the parser, and "&#x;" or "&#;" a NUL. Anything
// but digits after that "#" or "x", and it is no reference. Past the leading
// zeros, more than seven digits name no character in either base (the
// parser's value of them wraps around, so it may name anything). The text is
// read front to back, and each ";" with the digits before it is judged once,
// however many "&#" share it.
class reference_reader {
public:
    explicit reference_reader(std::string_view text) : text(text) {}

    // The length of the reference that begins at text[at] when it names no
    // character XML allows; 0 when there is none or it names one. The text or
    // attribute value it stands in ends at span_end.
    std::size_t forbidden_length(std::size_t at, std::size_t span_end)
    {
        if (at + 2 >= span_end || text[at + 1] != '#')
            return 0;
        const bool hex = text[at + 2] == 'x';
        const std::size_t first = at + (hex ? 3 : 2);
        if (first >= span_end)
            return 0;
        if (!semicolon_known || (semicolon != std::string_view::npos && semicolon < first)) {
            semicolon = text.find(';', first);
            semicolon_known = true;
            judged[0].reset();
            judged[1].reset();
        }
        if (semicolon == std::string_view::npos || semicolon >= span_end)
            return 0;
        std::optional<bool>& forbidden = judged[hex];
        if (!forbidden)
            forbidden = names_no_allowed_character(hex);
        return *forbidden ? semicolon + 1 - at : 0;
    }

private:
    // Whether what ends at the semicolon is a reference in the base that
    // names no character XML allows.
    bool names_no_allowed_character(bool hex) const
    {
        std::size_t start = semicolon;
        while (start > 0 && digit_value(text[start - 1], hex) >= 0)
            --start;
        if (start == 0 || text[start - 1] != (hex ? 'x' : '#'))
            return false;
        std::uint32_t code = 0;
        std::size_t significant = 0;
        for (std::size_t i = start; i < semicolon; ++i) {
            const int digit = digit_value(text[i], hex);
            if (significant > 0 || digit != 0)
                ++significant;
            if (significant <= 7)
                code = code * (hex ? 16 : 10) + std::uint32_t(digit);
        }
        return start == semicolon || significant > 7 || !is_allowed_code(code);
    }

    std::string_view text;
    std::size_t semicolon = 0;
    bool semicolon_known = false;
    // For that semicolon: the verdict in decimal, then in hexadecimal.
    std::optional<bool> judged[2];
};

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
    reference_reader references(text);
    for (std::size_t at = text.find("&#"); at != std::string_view::npos; at = text.find("&#", at + 2))
        if (references.forbidden_length(at, text.size()) != 0)
            return true;
    return false;
}

}

std::string xml_safe_text(std::string text)
{
    if (!may_need_replacing(text))
        return text;
    replacer out{text, {}};
    reference_reader references(text);
    place where = place::content;
    char quote = 0;
    std::string_view closing;
    // Where the text or attribute value the scan stands in ends; looked up at
    // its first "&" (npos until then), and again in each new one.
    constexpr std::size_t not_looked_up = std::string_view::npos;
    std::size_t span_end = not_looked_up;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (is_forbidden_control(c)) {
            out.replace(i, i + 1);
            ++i;
            continue;
        }
        const place before = where;
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
        if (where != before)
            span_end = not_looked_up;
        if (c == '&' && (where == place::content || where == place::attribute_value)) {
            if (span_end == not_looked_up)
                span_end = std::min(text.find(where == place::content ? '<' : quote, i), text.size());
            if (const std::size_t length = references.forbidden_length(i, span_end)) {
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
