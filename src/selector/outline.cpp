#include "selector/outline.hpp"

#include <string>

namespace {

// Each line is assembled first, so that on an unbuffered stream such as
// standard error one outline line costs one write.
void write_whole(std::ostream& out, std::string_view text)
{
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::string indented(unsigned depth, std::string_view text)
{
    std::string line(depth, '\t');
    line += text;
    return line;
}

}

void write_indented(std::ostream& out, unsigned depth, std::string_view text)
{
    write_whole(out, indented(depth, text));
}

void write_line(std::ostream& out, unsigned depth, std::string_view text)
{
    std::string line = indented(depth, text);
    line += '\n';
    write_whole(out, line);
}

void write_numbered(std::ostream& out, unsigned depth, std::string_view label,
                    std::size_t number)
{
    std::string line = indented(depth, label);
    line += ' ';
    line += std::to_string(number);
    line += ":\n";
    write_whole(out, line);
}
