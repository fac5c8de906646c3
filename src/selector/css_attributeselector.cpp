#include "selector/css.hpp"

#include "selector/outline.hpp"
#include "selector/scan_rules.hpp"
#include "text/text.hpp"

#include <algorithm>
#include <string_view>

namespace {

// The characters [from, to) of the text, empty where that range is empty or
// lies outside it. Short or unclosed brackets such as "[" or "[a=" would
// otherwise ask for ranges that run backwards.
std::string_view slice(std::string_view text, std::size_t from, std::size_t to)
{
    to = std::min(to, text.size());
    if (from >= to)
        return {};
    return text.substr(from, to - from);
}

// The operator code for the character just before the '='; 0 when that
// character is not an operator prefix.
int operator_code(char prefix)
{
    switch (prefix) {
    case '~':
        return attr_includes;
    case '^':
        return attr_prefix;
    case '$':
        return attr_suffix;
    case '*':
        return attr_substring;
    case '|':
        return attr_dashmatch;
    default:
        return attr_equals;
    }
}

}

css_attributeselector::css_attributeselector(std::string source) : text(trim(source))
{
    parse();
}

// The text runs from '[' to its last character, which is dropped unseen as
// the ']'. The first '=' outside quotes splits name from value; the
// character touching it on the left may turn it into a two-character
// operator.
void css_attributeselector::parse()
{
    const std::string_view whole = text;
    const std::size_t last = whole.empty() ? 0 : whole.size() - 1;
    quote_scan quotes;
    std::size_t equals = std::string_view::npos;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        quotes.step(whole[i]);
        if (whole[i] == '=' && !quotes.open()) {
            equals = i;
            break;
        }
    }
    if (equals == std::string_view::npos) {
        name = std::string(slice(whole, 1, last));
        return;
    }
    op = equals > 0 ? operator_code(whole[equals - 1]) : attr_equals;
    const std::size_t operator_length = op == attr_equals ? 1 : 2;
    name = trim(slice(whole, 1, equals + 1 - operator_length));
    value = unquote(trim(slice(whole, equals + 1, last)));
}

void css_attributeselector::dump(unsigned depth, std::ostream& out) const
{
    write_line(out, depth, text);
    write_line(out, depth + 1, "Name:" + name);
    write_line(out, depth + 1, "Op:" + std::to_string(op));
    write_line(out, depth + 1, "Value:" + value);
}
