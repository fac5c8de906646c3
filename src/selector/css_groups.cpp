#include "selector/css.hpp"

#include "selector/outline.hpp"
#include "selector/scan_rules.hpp"
#include "text/text.hpp"

#include <string>

css_groups::css_groups(const char* source) : text(source ? source : "")
{
    parse();
}

// Splits at commas outside quotes and brackets. Every comma closes a chain,
// even an empty one; the text after the last comma becomes a chain only when
// it is not blank.
void css_groups::parse()
{
    const std::string scanned = trim(text);
    protected_scan scan;
    std::string piece;
    for (const char c : scanned) {
        scan.step(c);
        if (c == ',' && !scan.active()) {
            chains.emplace_back(std::move(piece));
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!is_blank(piece))
        chains.emplace_back(std::move(piece));
}

void css_groups::dump(unsigned depth, std::ostream& out) const
{
    write_line(out, depth, text);
    for (std::size_t i = 0; i < chains.size(); ++i) {
        write_line(out, 0, std::to_string(i) + ":");
        chains[i].dump(depth + 1, out);
    }
}
