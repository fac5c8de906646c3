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

// The entries of the current directory that match the wildcard pattern, in
// listing order, "." and ".." included; none when the directory cannot be
// listed.
std::vector<std::string> matching_entries(const std::string& pattern);

// The content of an open input, as plain bytes, up to its first NUL byte
// (which is not kept) or, with past_nul, whole. expected_size, when known, is
// allocated up front; the content may be shorter or longer.
std::string read_whole(int fd, bool past_nul, std::size_t expected_size = 0);

// The size of an open regular file, 0 for anything else.
std::size_t regular_size(const input_file& file);
