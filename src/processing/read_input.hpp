// Reading one input whole: the one place that decides where an input ends.
#pragma once

#include "platform/failure.hpp"

#include <cstddef>
#include <string>

// What reading an input gave.
struct input_text {
    std::string text;
    // Why a read failed (cannot_read): a failed read is no end of input, and
    // what came before it is not the input. The text is then empty.
    failure problem;
};

// The content of an open input, as plain bytes, up to its first NUL byte
// (which is not kept; nothing after it is read, so /dev/zero ends at once)
// or whole: with past_nul, or when the input begins with a UTF-16 byte-order
// mark. expected_size, when known, is allocated up front; the content may be
// shorter or longer.
input_text read_input(int fd, bool past_nul, std::size_t expected_size);
