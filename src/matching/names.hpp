// Name comparison for element names and pseudo-class names.
#pragma once

#include <string_view>

// Whether two names are equal after ASCII upper-casing each byte; bytes
// outside a-z are compared as they are.
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
