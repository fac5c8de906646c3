#include "selector/css.hpp"

#include "selector/outline.hpp"
#include "text/text.hpp"

css_typeselector::css_typeselector(std::string source) : text(trim(source))
{
    parse();
}

// Cuts the text at '#', '.' and ':' into tokens filed by the sigil before
// them; a '|' ends the namespace token. Quotes and parentheses mean nothing
// here, so "not(.b)" is cut at its '.'.
void css_typeselector::parse()
{
    std::size_t start = 0;
    char sigil = '\0';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '#' || c == '.' || c == ':') {
            store_token(sigil, text.substr(start, i - start));
            start = i + 1;
            sigil = c;
        } else if (c == '|') {
            namespace_name = text.substr(start, i - start);
            start = i + 1;
        }
    }
    store_token(sigil, text.substr(start));
}

void css_typeselector::store_token(char sigil, std::string token)
{
    switch (sigil) {
    case '#':
        ids.push_back(std::move(token));
        break;
    case '.':
        classes.push_back(std::move(token));
        break;
    case ':':
        functions.push_back(std::move(token));
        break;
    default:
        name = std::move(token);
        break;
    }
}

namespace {

void write_list(std::ostream& out, unsigned depth, std::string_view label, const std::vector<std::string>& items)
{
    write_line(out, depth, label);
    for (const std::string& item : items)
        write_line(out, depth + 1, item);
}

}

void css_typeselector::dump(unsigned depth, std::ostream& out) const
{
    write_line(out, depth, text);
    write_line(out, depth + 1, "Namespace: " + namespace_name);
    write_line(out, depth + 1, "Name: " + name);
    write_list(out, depth + 1, "Ids: ", ids);
    write_list(out, depth + 1, "Classes: ", classes);
    write_list(out, depth + 1, "Functions: ", functions);
}
