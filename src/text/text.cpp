#include "text/text.hpp"

#include <climits>
#include <cstdint>

std::string trim(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

bool is_blank(std::string_view text)
{
    return text.find_first_not_of(' ') == std::string_view::npos;
}

std::string_view trim_html_space(std::string_view text)
{
    while (!text.empty() && is_html_space(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_html_space(text.back()))
        text.remove_suffix(1);
    return text;
}

namespace {

bool is_c_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}

int to_int(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && is_c_space(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate the magnitude with a ceiling just past INT_MAX so that no
    // digit run, however long, can overflow.
    const std::int64_t ceiling = std::int64_t(INT_MAX) + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > ceiling)
            magnitude = ceiling;
    }
    if (negative)
        return static_cast<int>(-magnitude);
    return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

std::string unquote(std::string_view text)
{
    if (text.size() < 2)
        return std::string(text);
    const char quote = text.front();
    if ((quote != '"' && quote != '\'') || text.back() != quote)
        return std::string(text);
    const std::string_view inner = text.substr(1, text.size() - 2);
    std::string result;
    result.reserve(inner.size());
    for (std::size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] == '\\' && i + 1 < inner.size() && inner[i + 1] == quote)
            continue;
        result += inner[i];
    }
    return result;
}

std::vector<std::string> split(std::string_view text, char separator)
{
    std::vector<std::string> pieces;
    std::string piece;
    for (const char c : text) {
        if (c == separator) {
            pieces.push_back(std::move(piece));
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.empty())
        pieces.push_back(std::move(piece));
    return pieces;
}

std::string wrap_text(std::string_view text, unsigned indent, int width)
{
    const std::string tabs(indent, '\t');
    std::string result = tabs;
    long column = 0;
    for (const char c : text) {
        if (c == ' ' && column == 0)
            continue;
        if (c == ' ' && column > width) {
            result += '\n';
            result += tabs;
            column = 0;
            continue;
        }
        result += c;
        ++column;
    }
    return result;
}
