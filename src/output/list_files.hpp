// The list files that output modes 1 to 6 write into.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/stat.h>

// The collective list file of mode 1.
inline const std::string all_list_name = "_all.lst";
// The index list file of modes 5 and 6.
inline const std::string index_list_name = "_index.lst";
// Every list file's name ends so.
inline constexpr std::string_view list_suffix = ".lst";

// How a list file is opened; either way a missing file is created with
// permission 0666 before the file-creation mask.
enum class list_open {
    append,    // read and write, every write going to the end of what is there
    truncate,  // write only, what is there thrown away
};

// Opens the list file, writes all of text and closes it again. Returns 0, or
// the system's error number of the open, write or close that failed.
int write_list_file(const std::string& name, list_open kind, std::string_view text);

// Creates the list file, or empties it when it exists, and closes it; its
// identity goes to file when it opened. Returns 0 or the system's error
// number.
int reset_list_file(const std::string& name, struct stat* file = nullptr);

// The index of one of count items in decimal, left-padded with "0" to as many
// digits as count has: item 7 of 12 is "07".
std::string counter_text(std::size_t index, std::size_t count);
