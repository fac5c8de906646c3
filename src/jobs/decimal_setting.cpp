#include "jobs/decimal_setting.hpp"

#include <algorithm>

std::optional<unsigned> decimal_setting(const std::string& text, unsigned cap)
{
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    unsigned long long value = 0;
    for (const char c : text)
        value = std::min<unsigned long long>(value * 10 + unsigned(c - '0'), cap);
    return unsigned(value);
}
