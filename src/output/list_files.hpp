// The list files that output modes 1 to 6 write into.
#pragma once

#include <cstddef>
#include <fstream>
#include <string>

// The collective list file of mode 1.
inline const std::string all_list_name = "_all.lst";
// The index list file of modes 5 and 6.
inline const std::string index_list_name = "_index.lst";

// How a list file is opened; either way a missing file is created with
// permission 0666 before the file-creation mask.
enum class list_open {
    append,    // every write goes to the end of what is there
    truncate,  // what is there is thrown away
};

// Opens a list file for writing; the stream is not open when the file cannot
// be opened or created.
std::ofstream open_list_file(const std::string& name, list_open kind);

// The index of one of count items in decimal, left-padded with "0" to as many
// digits as count has: item 7 of 12 is "07".
std::string counter_text(std::size_t index, std::size_t count);
