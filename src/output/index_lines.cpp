#include "output/index_lines.hpp"

#include "output/written_names.hpp"
#include "text/text.hpp"

std::string& strip_tags(std::string& text)
{
    // One pass: the text before the first "<" never holds another "<", so
    // removing tags in order from the left gives the same result as
    // restarting the search after each removal.
    std::string kept;
    kept.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t open = text.find('<', pos);
        if (open == std::string::npos) {
            kept.append(text, pos, std::string::npos);
            break;
        }
        kept.append(text, pos, open - pos);
        const std::size_t close = text.find('>', open);
        if (close == std::string::npos)
            break;
        pos = close + 1;
    }
    text = std::move(kept);
    return text;
}

std::string& replace_all(std::string& text, std::string_view search,
                         std::string_view replacement)
{
    if (search.empty())
        return text;
    // Built afresh so that the work stays linear in the length of the text.
    std::string replaced;
    replaced.reserve(text.size());
    std::size_t pos = 0;
    for (std::size_t found; (found = text.find(search, pos)) != std::string::npos;
         pos = found + search.size()) {
        replaced.append(text, pos, found - pos);
        replaced.append(replacement);
    }
    replaced.append(text, pos, std::string::npos);
    text = std::move(replaced);
    return text;
}

std::string clean_index_item(std::string item)
{
    strip_tags(item);
    replace_all(item, "\n", " ");
    return trim(item);
}

namespace {

// The name with the characters that could end the attribute or start markup
// written as references.
std::string escaped_for_attribute(std::string_view name)
{
    std::string escaped;
    escaped.reserve(name.size());
    for (const char c : name) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '\'': escaped += "&#39;"; break;
        case '"': escaped += "&quot;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

}

std::string index_line(const std::string& display_name, const std::string& text)
{
    return "<LI class='indx'><A href='" + escaped_for_attribute(name_in_link(display_name))
        + "'>" + text + "</A></LI>\n";
}
