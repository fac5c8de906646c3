// The list files that output modes 1 to 6 write into.
#pragma once

#include "platform/failure.hpp"

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
    append,    // every write going to the end of what is there
    truncate,  // what is there thrown away
};

// Opens the list file, writes all of text and closes it again. A list file is
// opened without waiting: a FIFO that no one reads fails with ENXIO, one with
// a reader gets all of text. The failure is that of the open, write or close
// that failed.
failure write_list_file(const std::string& name, list_open kind, std::string_view text);

// The list file that every input of a run appends to (modes 1, 5 and 6). A
// FIFO is held open from the start of the run to its end, so that its reader
// gets the results of every input and one end of file; any other file is
// opened, written and closed again for each input.
class collective_list {
public:
    collective_list() = default;
    collective_list(const collective_list&) = delete;
    collective_list& operator=(const collective_list&) = delete;
    ~collective_list();

    // Creates the file or empties it, and closes it again; a FIFO is opened
    // and held instead.
    failure start(const std::string& list_name);
    // Appends text. After a start that failed nothing is written, and the
    // start's failure comes back again.
    failure append(std::string_view text);
    // Whether file is this list; never after a start that failed.
    bool is(const struct stat& file) const;
    // Closes a held FIFO.
    failure finish();
    // Closes a held FIFO in a process forked from the run, which never
    // writes to it: the reader's end of file must not wait for that process.
    void forget();

private:
    std::string name;
    failure start_failure;
    bool started = false;
    struct stat identity {};
    int held = -1;
};

// The index of one of count items in decimal, left-padded with "0" to as many
// digits as count has: item 7 of 12 is "07".
std::string counter_text(std::size_t index, std::size_t count);
