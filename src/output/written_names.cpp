#include "output/written_names.hpp"

#include <algorithm>

namespace {

bool is_control(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

void append_percent_encoded(std::string& text, char c)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(c);
    text += '%';
    text += hex[byte >> 4];
    text += hex[byte & 0xf];
}

bool would_break_comment(std::string_view name)
{
    return name.find("--") != std::string_view::npos || name.starts_with('>')
        || name.starts_with("->") || name.ends_with('-')
        || std::any_of(name.begin(), name.end(), is_control);
}

bool encoded_in_link(std::string_view name, std::size_t i)
{
    const char c = name[i];
    if (c == ' ')
        return i == 0 || i + 1 == name.size();
    return c == '%' || c == '#' || c == '?' || c == '\\' || is_control(c);
}

// Whether a relative reference would start with what reads as a scheme or a
// host.
std::string_view link_guard(std::string_view name)
{
    if (name.starts_with("//"))
        return "/.";
    const std::string_view first_segment = name.substr(0, name.find('/'));
    if (first_segment.find(':') != std::string_view::npos)
        return "./";
    return "";
}

}

std::string name_in_comment(std::string_view name)
{
    if (!would_break_comment(name))
        return std::string(name);
    std::string written;
    for (const char c : name) {
        if (c == '-' || c == '%' || c == '>' || is_control(c))
            append_percent_encoded(written, c);
        else
            written += c;
    }
    return written;
}

std::string name_in_link(std::string_view name)
{
    std::string written(link_guard(name));
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (encoded_in_link(name, i))
            append_percent_encoded(written, name[i]);
        else
            written += name[i];
    }
    return written;
}
