#include "text/utf8.hpp"

#include <cstdint>
#include <cstring>

namespace {

bool is_continuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed sequence at the start of bytes, whose first
// byte is not ASCII; 0 when there is none. The allowed second bytes follow
// Unicode's table of well-formed sequences.
std::size_t sequence_length(const unsigned char* bytes, std::size_t left)
{
    const unsigned char lead = bytes[0];
    std::size_t length;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (left < length || bytes[1] < low || bytes[1] > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!is_continuation(bytes[i]))
            return 0;
    return length;
}

}

bool is_utf8(std::string_view text)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t at = 0;
    while (at < size) {
        std::uint64_t eight;
        if (size - at >= sizeof eight) {
            std::memcpy(&eight, bytes + at, sizeof eight);
            if ((eight & 0x8080808080808080u) == 0) {
                at += sizeof eight;
                continue;
            }
        }
        if (bytes[at] < 0x80) {
            ++at;
            continue;
        }
        const std::size_t length = sequence_length(bytes + at, size - at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}
