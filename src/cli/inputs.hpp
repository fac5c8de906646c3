// Finding and reading inputs: file arguments opened once, wildcard patterns
// matched against the current directory, and whole texts read.
#pragma once

#include <cstddef>
#include <string>
#include <sys/stat.h>
#include <vector>

// An input opened for reading, closed with the object. The open that finds
// an input is the one that reads it, so a FIFO or a process substitution is
// read once and whole.
class input_file {
public:
    input_file() = default;
    input_file(int fd, const struct stat& status) : fd(fd), status(status) {}
    input_file(input_file&& other) noexcept;
    input_file& operator=(input_file&& other) noexcept;
    input_file(const input_file&) = delete;
    input_file& operator=(const input_file&) = delete;
    ~input_file();

    bool is_open() const { return fd >= 0; }
    bool is_directory() const { return S_ISDIR(status.st_mode); }

    int fd = -1;
    struct stat status {};
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

// What reading an input gave.
struct input_text {
    std::string text;
    // The system's error number of the read that failed, or 0: a failed read
    // is no end of input, and what came before it is not the input.
    int error = 0;
};

// The content of an open input, as plain bytes, up to its first NUL byte
// (which is not kept) or whole: with past_nul, or when the input begins with
// a UTF-16 byte-order mark. expected_size, when known, is allocated up front;
// the content may be shorter or longer.
input_text read_whole(int fd, bool past_nul, std::size_t expected_size = 0);

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

// The size of an open regular file, 0 for anything else.
std::size_t regular_size(const input_file& file);
