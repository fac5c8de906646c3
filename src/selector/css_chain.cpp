#include "selector/css.hpp"

#include "selector/outline.hpp"
#include "selector/scan_rules.hpp"
#include "text/text.hpp"

namespace {

bool is_explicit_combinator(char c)
{
    return c == '>' || c == '+' || c == '~';
}

}

css_chain::css_chain(std::string source) : text(trim(source))
{
    parse();
}

// Splits at combinators outside quotes and brackets. A run of spaces becomes
// a descendant combinator only when an ordinary character follows it and no
// explicit combinator came just before; a combinator with no compound before
// it is dropped.
void css_chain::parse()
{
    protected_scan scan;
    bool pending_space = false;
    bool after_combinator = false;
    std::string piece;
    for (const char c : text) {
        scan.step(c);
        bool skip = false;
        if (scan.active()) {
            pending_space = false;
            after_combinator = false;
        } else if (c == ' ') {
            if (!after_combinator)
                pending_space = true;
        } else if (is_explicit_combinator(c)) {
            skip = true;
            pending_space = false;
            after_combinator = true;
            if (add_element(piece)) {
                combinators.push_back(c);
                piece.clear();
            }
        } else {
            if (pending_space && add_element(piece)) {
                combinators.push_back(' ');
                piece.clear();
            }
            pending_space = false;
            after_combinator = false;
        }
        // Leading spaces would be trimmed off by add_element anyway; leaving
        // them out keeps every blank test constant-time, so long runs such
        // as " > > > ..." stay linear.
        if (!skip && !(c == ' ' && piece.empty()))
            piece += c;
    }
    add_element(piece);
}

bool css_chain::add_element(const std::string& piece)
{
    if (is_blank(piece))
        return false;
    elements.emplace_back(trim(piece));
    return true;
}

void css_chain::dump(unsigned depth, std::ostream& out) const
{
    write_line(out, depth, text);
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (i > 0)
            write_line(out, depth, std::string("Op: [") + combinators[i - 1] + "]");
        write_numbered(out, depth, "Element", i);
        elements[i].dump(depth + 1, out);
    }
}
