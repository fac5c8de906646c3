// Line writers for the verbose selector outline on standard error. Depth is
// a count of leading tab characters.
#pragma once

#include <cstddef>
#include <string_view>

// Writes depth tabs, then the text.
void write_indented(unsigned depth, std::string_view text);

// Writes depth tabs, the text and a line feed.
void write_line(unsigned depth, std::string_view text);

// Writes depth tabs, the label, a space, the number in decimal and ":\n".
void write_numbered(unsigned depth, std::string_view label, std::size_t number);
