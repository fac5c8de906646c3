#include "selector/scan_rules.hpp"

void quote_scan::step(char c)
{
    const bool escaped = previous == '\\';
    if (c == '"' && !in_single && !escaped)
        in_double = !in_double;
    if (c == '\'' && !in_double && !escaped)
        in_single = !in_single;
    previous = c;
}

void protected_scan::step(char c)
{
    quotes.step(c);
    if (quotes.open())
        return;
    if (c == '[' && !in_bracket)
        in_bracket = true;
    else if (c == ']' && in_bracket)
        in_bracket = false;
}
