// Writing a whole text to a file descriptor.
#pragma once

#include <string_view>

// Writes all of text, resuming after short writes and interruptions. Returns
// 0, or the system's error number of the write that failed.
int write_all(int fd, std::string_view text);
