// Shared text routines over 8-bit byte strings. Only the space character
// (0x20) counts as white space in trim, is_blank and split.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Removes leading and trailing space characters; tabs and line ends stay.
std::string trim(std::string_view text);

// True when trim() of the text is empty.
bool is_blank(std::string_view text);

// Whether the byte is white space as the HTML and Encoding standards count
// it: tab, line feed, form feed, carriage return and space (no vertical tab).
inline bool is_html_space(char c)
{
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

// The text without the HTML white space (is_html_space) at either end.
std::string_view trim_html_space(std::string_view text);

// Whether two texts are equal after ASCII upper-casing each byte; bytes
// outside a-z are compared as they are. Used for element, pseudo-class and
// encoding names.
inline bool equal_ignoring_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
        if (upper(a[i]) != upper(b[i]))
            return false;
    }
    return true;
}

// Decimal conversion in the manner of atoi(): leading white space skipped, one
// optional sign, digits up to the first other character, 0 without digits.
// Values beyond the 32-bit range saturate to INT_MAX or INT_MIN.
int to_int(std::string_view text);

// Removes one pair of matching outer quotes (single or double), then every
// backslash that stands directly before that quote character.
std::string unquote(std::string_view text);

// Cuts the text at every separator. Empty pieces between separators are kept;
// a trailing empty piece is not.
std::vector<std::string> split(std::string_view text, char separator);

// Word-wraps the text for the usage page: starts with indent tabs and breaks
// at the first space once a line holds more than width characters.
std::string wrap_text(std::string_view text, unsigned indent, int width);
