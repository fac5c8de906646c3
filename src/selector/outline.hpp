// Line writers for the verbose selector outline. Depth is a count of leading
// tab characters.
#pragma once

#include <cstddef>
#include <ostream>
#include <string_view>

// Writes depth tabs, then the text.
void write_indented(std::ostream& out, unsigned depth, std::string_view text);

// Writes depth tabs, the text and a line feed.
void write_line(std::ostream& out, unsigned depth, std::string_view text);

// Writes depth tabs, the label, a space, the number in decimal and ":\n".
void write_numbered(std::ostream& out, unsigned depth, std::string_view label,
                    std::size_t number);
