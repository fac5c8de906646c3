// What one input's results become in the output mode chosen with "-m".
#pragma once

#include "output/list_files.hpp"

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

// True for the modes that write list files (1 to 6).
bool writes_list_files(int mode);

// The list file that every input of a run appends to in this mode (modes 1,
// 5 and 6), emptied once at the start of the run; empty for other modes.
std::string collective_list_name(int mode);

// One piece of output: text for standard output, or for a list file opened
// in the given way. A piece with empty text still opens (and so creates) its
// file.
struct output_piece {
    std::string file;  // empty for standard output
    list_open kind = list_open::truncate;
    std::string text;
};

// The pieces that the items of one input make, in the order they are
// written. With prefix, modes 0 to 4 put "<!--" display_name "-->" before
// each group of items, the name as name_in_comment writes it; each item is
// followed by "\n".
std::vector<output_piece> results_output(const std::vector<std::string>& items, int mode,
                                         bool prefix, const std::string& display_name);
