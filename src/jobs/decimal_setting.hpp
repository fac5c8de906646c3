// Whole numbers given in environment variables, read one way for all of them.
#pragma once

#include <optional>
#include <string>

// The value of a text of decimal digits alone, leading zeros allowed, capped
// at cap; none for anything else (an empty text, a sign, a space, a point).
std::optional<unsigned> decimal_setting(const std::string& text, unsigned cap);
