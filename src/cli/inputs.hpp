// Finding inputs: file arguments opened once, and wildcard patterns matched
// against the current directory.
#pragma once

#include "platform/owned_fd.hpp"

#include <string>
#include <sys/stat.h>
#include <vector>

// An input opened for reading, with what it is. The open that finds an input
// is the one that reads it, so a FIFO or a process substitution is read once
// and whole.
struct input_file {
    owned_fd file;
    struct stat status {};

    bool is_open() const { return file.is_open(); }
    bool is_directory() const { return S_ISDIR(status.st_mode); }
};

// Opens a name given on the command line, whatever kind of file it is: a
// FIFO waits here for its writer. Not open when it cannot be opened.
input_file open_argument(const std::string& name);

// Opens a name that a pattern found, only when it is a regular file: FIFOs,
// sockets, devices and directories met by a pattern are passed over.
input_file open_found(const std::string& name);

// An entry of a directory listing.
struct directory_entry {
    std::string name;
    // The listing says what it is, and it is no symbolic link.
    bool known_not_link = false;
};

// The entries of the current directory that match the wildcard pattern, in
// listing order, "." and ".." included; none when the directory cannot be
// listed.
std::vector<directory_entry> matching_entries(const std::string& pattern);

// Where a name leads, found without opening anything.
struct name_target {
    // Something is there, after every symbolic link.
    bool exists = false;
    // What is there, when it exists.
    struct stat status {};
    // The name is a symbolic link: the name it reaches in the end, when it
    // reaches anything.
    bool is_link = false;
    std::string real_name;
};

name_target look_up(const std::string& name);
