#include "cli/wildcard.hpp"

bool wildcard_match(const char* pattern, const char* name)
{
    while (*name && *pattern != '*') {
        if (*pattern != *name && *pattern != '?')
            return false;
        ++pattern;
        ++name;
    }
    const char* star_pattern = nullptr;
    const char* star_name = nullptr;
    while (*name) {
        if (*pattern == '*') {
            if (!*++pattern)
                return true;
            star_pattern = pattern;
            star_name = name + 1;
        } else if (*pattern == *name || *pattern == '?') {
            ++pattern;
            ++name;
        } else if (star_pattern) {
            pattern = star_pattern;
            name = star_name++;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return !*pattern;
}
