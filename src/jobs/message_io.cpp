#include "jobs/message_io.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A message is its part count, then each part's length, then the parts'
// bytes one after another; the numbers are 64-bit in the machine's order.
using length_type = std::uint64_t;

// Small parts are gathered into one buffer of this size before they are
// written, so a reply of many short results costs a few writes, not one each.
constexpr std::size_t staging_size = 64 * 1024;

bool write_all(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        ssize_t written = send(fd, data, size, MSG_NOSIGNAL);
        if (written < 0 && errno == ENOTSOCK)
            written = write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

void append_number(std::string& buffer, length_type number)
{
    char bytes[sizeof number];
    std::memcpy(bytes, &number, sizeof number);
    buffer.append(bytes, sizeof number);
}

// Reads exactly size bytes; false at end of input or on an error.
bool read_all(int fd, char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t got = read(fd, data, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        data += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

bool read_number(int fd, length_type& number)
{
    return read_all(fd, reinterpret_cast<char*>(&number), sizeof number);
}

// Reads the parts' bytes through a buffer, so that many small parts cost
// few reads; a large part is read straight into its place. It never reads
// past the message's total size, so what follows stays for the next one.
class payload_reader {
public:
    payload_reader(int fd, length_type total) : fd(fd), unread(total) {}

    bool read(char* data, std::size_t size)
    {
        for (;;) {
            const std::size_t buffered = std::min(size, held.size() - used);
            std::memcpy(data, held.data() + used, buffered);
            used += buffered;
            data += buffered;
            size -= buffered;
            if (size == 0)
                return true;
            if (size > unread)
                return false;
            if (size >= staging_size) {
                unread -= size;
                return read_all(fd, data, size);
            }
            held.resize(static_cast<std::size_t>(std::min<length_type>(staging_size, unread)));
            const ssize_t got = read_some(held.data(), held.size());
            if (got <= 0)
                return false;
            held.resize(static_cast<std::size_t>(got));
            unread -= held.size();
            used = 0;
        }
    }

private:
    // One read of at least one byte; at most size.
    ssize_t read_some(char* data, std::size_t size)
    {
        ssize_t got;
        do
            got = ::read(fd, data, size);
        while (got < 0 && errno == EINTR);
        return got;
    }

    int fd;
    length_type unread;  // bytes of the message not yet read from fd
    std::string held;
    std::size_t used = 0;
};

}

bool send_message(int fd, const message& parts)
{
    std::string staged;
    staged.reserve(staging_size);
    append_number(staged, parts.size());
    for (const std::string& part : parts)
        append_number(staged, part.size());
    for (const std::string& part : parts) {
        if (staged.size() + part.size() > staging_size) {
            if (!write_all(fd, staged.data(), staged.size()))
                return false;
            staged.clear();
        }
        if (part.size() > staging_size) {
            if (!write_all(fd, part.data(), part.size()))
                return false;
        } else {
            staged += part;
        }
    }
    return write_all(fd, staged.data(), staged.size());
}

std::optional<message> receive_message(int fd)
{
    length_type count = 0;
    if (!read_number(fd, count) || count > (length_type(1) << 40) / sizeof count)
        return std::nullopt;
    std::vector<length_type> lengths(count);
    if (!read_all(fd, reinterpret_cast<char*>(lengths.data()), count * sizeof count))
        return std::nullopt;
    length_type total = 0;
    for (const length_type length : lengths)
        total += length;
    message parts(count);
    payload_reader payload(fd, total);
    for (std::size_t i = 0; i < count; ++i) {
        parts[i].resize(lengths[i]);
        if (!payload.read(parts[i].data(), lengths[i]))
            return std::nullopt;
    }
    return parts;
}
