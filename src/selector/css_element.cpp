#include "selector/css.hpp"

#include "selector/outline.hpp"
#include "selector/scan_rules.hpp"
#include "text/text.hpp"

css_element::css_element(std::string source) : text(trim(source))
{
    parse();
}

// Cuts the compound at brackets outside quotes: each "[...]" becomes an
// attribute selector, and each run of text outside brackets replaces the
// type part made from the run before it. An unclosed bracket at the end
// still yields an attribute selector.
void css_element::parse()
{
    quote_scan quotes;
    bool in_bracket = false;
    std::string piece;
    for (const char c : text) {
        quotes.step(c);
        if (c == '[' && !quotes.open() && !in_bracket) {
            set_type_selector(piece);
            piece.clear();
            in_bracket = true;
        } else if (c == ']' && !quotes.open() && in_bracket) {
            piece += c;
            attributes.emplace_back(std::move(piece));
            piece.clear();
            in_bracket = false;
            continue;
        }
        piece += c;
    }
    if (is_blank(piece))
        return;
    if (piece.front() == '[')
        attributes.emplace_back(std::move(piece));
    else
        set_type_selector(piece);
}

void css_element::set_type_selector(const std::string& run)
{
    if (!is_blank(run))
        type_selector = std::make_unique<css_typeselector>(run);
}

// Attribute selectors are listed only under a type part: a compound made of
// brackets alone shows its text line and nothing else.
void css_element::dump(unsigned depth, std::ostream& out) const
{
    write_line(out, depth, text);
    if (!type_selector)
        return;
    write_line(out, depth, "TypeSelector: ");
    type_selector->dump(depth + 1, out);
    for (std::size_t k = 0; k < attributes.size(); ++k) {
        write_numbered(out, depth, "AttrSelector", k);
        attributes[k].dump(depth + 1, out);
    }
}
