// Per-input processing: clean one raw input, query it, and write its results
// in the chosen output mode.
#pragma once

#include <optional>
#include <string>
#include <vector>

// Cleans input_text (up to its first NUL byte) with Tidy, queries it with the
// selector into results (emptied first), and writes the results in mode 0 to
// 6. Any other mode writes nothing. display_name names the input in prefix
// lines, index lines and list-file names.
void process_input(std::vector<std::string>& results, bool verbose,
                   const std::string& input_text, const std::string& selector,
                   const std::optional<std::string>& input_encoding,
                   const std::optional<std::string>& output_encoding,
                   int mode, bool prefix, const std::string& display_name);

// Creates the list file, or empties it when it exists; failures are silent.
void reset_list_file(const std::string& name);
