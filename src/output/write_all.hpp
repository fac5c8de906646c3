// Writing a whole text to a file descriptor.
#pragma once

#include <string_view>

// Writes all of text, resuming after short writes and interruptions. On a
// descriptor left non-blocking (a pipe whose reader is slow) it waits until
// more can be written and goes on. Returns 0, or the system's error number of
// the write that failed.
int write_all(int fd, std::string_view text);
