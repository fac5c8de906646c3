// Writing one input's results in the output mode chosen with "-m".
#pragma once

#include <string>
#include <vector>

// The output modes; any other number writes nothing.
enum output_mode : int {
    mode_stdout = 0,                  // results on standard output
    mode_all_list = 1,                // appended to "_all.lst"
    mode_list_per_input = 2,          // the input's name + ".lst"
    mode_file_per_item = 3,           // the input's name + "." + counter + ".lst"
    mode_numbered_file_per_item = 4,  // counter + ".lst"
    mode_clean_index = 5,             // index lines of cleaned text in "_index.lst"
    mode_raw_index = 6,               // index lines of raw items in "_index.lst"
};

// Writes the items of one input in the given mode. With prefix, modes 0 to 4
// put "<!--" display_name "-->" before each group of items; each item is
// followed by "\n". List files that cannot be opened are skipped silently.
void write_results(const std::vector<std::string>& items, int mode, bool prefix,
                   const std::string& display_name);
