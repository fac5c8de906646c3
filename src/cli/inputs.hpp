// Turning file arguments into input names and reading inputs whole.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// True when the name can be opened for reading.
bool file_exists(const std::string& name);

// The names one file argument stands for: the argument itself when it can be
// opened, otherwise every entry of the current directory (in listing order,
// "." and ".." included) that matches it as a wildcard pattern. Writes the
// " -> " lines when verbose and the not-found message when nothing matched.
std::vector<std::string> resolve_argument(const std::string& argument, bool verbose);

// The whole content of an open stream, as plain bytes. expected_size, when
// known, is allocated up front; the content may be shorter or longer.
std::string read_whole(std::FILE* stream, std::size_t expected_size = 0);

// The whole content of a regular file; none when it cannot be opened or is a
// directory.
std::optional<std::string> read_input_file(const std::string& name);
