#include "processing/read_input.hpp"

#include "loading/encodings.hpp"
#include "platform/system_io.hpp"

#include <cstring>
#include <string_view>

namespace {

// Whether the input read so far, then more, begins with a UTF-16 byte-order
// mark.
bool starts_utf16_text(const std::string& text, std::string_view more)
{
    std::string start = text.substr(0, 2);
    start.append(more.substr(0, 2 - start.size()));
    return begins_with_utf16_mark(start);
}

}

input_text read_input(int fd, bool past_nul, std::size_t expected_size)
{
    input_text input;
    std::string& text = input.text;
    // Allocated once when the size is known. Growing a large text step by
    // step frees ever larger blocks, which makes the allocator keep later
    // freed memory instead of returning it: a 5 MB page then costs half as
    // much memory again for the whole run.
    text.reserve(expected_size);
    char buffer[65536];
    for (;;) {
        const ssize_t got = read_some(fd, buffer, sizeof buffer);
        if (got < 0) {
            input.problem = {failure_kind::cannot_read, errno, {}};
            text = {};
            break;
        }
        if (got == 0)
            break;
        const auto count = static_cast<std::size_t>(got);
        const void* nul = past_nul ? nullptr : std::memchr(buffer, '\0', count);
        if (nul && starts_utf16_text(text, {buffer, count})) {
            past_nul = true;
            nul = nullptr;
        }
        if (nul) {
            text.append(buffer, static_cast<const char*>(nul) - buffer);
            break;
        }
        text.append(buffer, count);
    }
    return input;
}
