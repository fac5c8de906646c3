#include "selector/outline.hpp"

#include <iostream>
#include <string>

namespace {

// Standard error is unbuffered: each piece is assembled first so that one
// outline line costs one write.
void write_whole(std::string_view text)
{
    std::cerr.write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::string indented(unsigned depth, std::string_view text)
{
    std::string line(depth, '\t');
    line += text;
    return line;
}

}

void write_indented(unsigned depth, std::string_view text)
{
    write_whole(indented(depth, text));
}

void write_line(unsigned depth, std::string_view text)
{
    std::string line = indented(depth, text);
    line += '\n';
    write_whole(line);
}

void write_numbered(unsigned depth, std::string_view label, std::size_t number)
{
    std::string line = indented(depth, label);
    line += ' ';
    line += std::to_string(number);
    line += ":\n";
    write_whole(line);
}
