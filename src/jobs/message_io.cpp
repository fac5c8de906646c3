#include "jobs/message_io.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

// A message is its part count and the size of what follows it, then each
// part's length, then the parts' bytes one after another; the numbers are
// 64-bit in the machine's order. Knowing the size at once lets a small
// message be read in two reads.
using length_type = std::uint64_t;

// Small parts are gathered into one buffer of this size before they are
// written, so a reply of many short results costs a few writes, not one each.
constexpr std::size_t staging_size = 64 * 1024;

// Sends the first bytes of a message with the descriptor file attached;
// what it sends, or -1.
ssize_t send_with_file(int fd, const char* data, std::size_t size, int file)
{
    iovec piece{const_cast<char*>(data), size};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr header{};
    header.msg_iov = &piece;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    cmsghdr* passed = CMSG_FIRSTHDR(&header);
    passed->cmsg_level = SOL_SOCKET;
    passed->cmsg_type = SCM_RIGHTS;
    passed->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(passed), &file, sizeof file);
    ssize_t sent;
    do
        sent = sendmsg(fd, &header, MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    return sent;
}

// Writes size bytes; the first write carries the descriptor file along when
// it is not -1, and then sets it to -1.
bool write_all(int fd, const char* data, std::size_t size, int& file)
{
    if (file >= 0 && size > 0) {
        const ssize_t sent = send_with_file(fd, data, size, file);
        if (sent <= 0)
            return false;
        file = -1;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
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

// Takes the descriptors that arrived with a read: the first goes to file
// when it is given and still empty; every other one is closed.
void take_descriptors(msghdr& header, owned_fd* file)
{
    for (cmsghdr* part = CMSG_FIRSTHDR(&header); part; part = CMSG_NXTHDR(&header, part)) {
        if (part->cmsg_level != SOL_SOCKET || part->cmsg_type != SCM_RIGHTS)
            continue;
        const std::size_t count = (part->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (std::size_t i = 0; i < count; ++i) {
            int passed;
            std::memcpy(&passed, CMSG_DATA(part) + i * sizeof(int), sizeof passed);
            owned_fd arrived(passed);
            if (file && !file->is_open())
                *file = std::move(arrived);
        }
    }
}

// The numbers that begin a message.
struct message_header {
    length_type count = 0;
    length_type size = 0;
};

// Reads the numbers that begin a message, and the descriptor that comes
// with its first byte.
bool read_header(int fd, message_header& header_read, owned_fd* file)
{
    char* data = reinterpret_cast<char*>(&header_read);
    constexpr std::size_t wanted = sizeof header_read;
    iovec piece{data, wanted};
    alignas(cmsghdr) char control[CMSG_SPACE(4 * sizeof(int))];
    msghdr header{};
    header.msg_iov = &piece;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    ssize_t got;
    do
        got = recvmsg(fd, &header, MSG_CMSG_CLOEXEC);
    while (got < 0 && errno == EINTR);
    if (got < 0 && errno == ENOTSOCK)
        return read_all(fd, data, wanted);
    if (got <= 0)
        return false;
    take_descriptors(header, file);
    return read_all(fd, data + got, wanted - static_cast<std::size_t>(got));
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
            if (buffered > 0)
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

bool send_message(int fd, const message& parts, int file)
{
    std::string staged;
    staged.reserve(staging_size);
    length_type size = parts.size() * sizeof(length_type);
    for (const std::string& part : parts)
        size += part.size();
    append_number(staged, parts.size());
    append_number(staged, size);
    for (const std::string& part : parts)
        append_number(staged, part.size());
    for (const std::string& part : parts) {
        if (staged.size() + part.size() > staging_size) {
            if (!write_all(fd, staged.data(), staged.size(), file))
                return false;
            staged.clear();
        }
        if (part.size() > staging_size) {
            if (!write_all(fd, part.data(), part.size(), file))
                return false;
        } else {
            staged += part;
        }
    }
    return write_all(fd, staged.data(), staged.size(), file);
}

std::optional<message> receive_message(int fd, owned_fd* file)
{
    message_header header;
    if (!read_header(fd, header, file) || header.size < header.count * sizeof(length_type)
        || header.count > (length_type(1) << 40) / sizeof(length_type))
        return std::nullopt;
    const std::size_t count = static_cast<std::size_t>(header.count);
    std::vector<length_type> lengths(count);
    payload_reader payload(fd, header.size);
    if (!payload.read(reinterpret_cast<char*>(lengths.data()), count * sizeof(length_type)))
        return std::nullopt;
    length_type total = count * sizeof(length_type);
    for (const length_type length : lengths) {
        if (length > header.size - total)
            return std::nullopt;
        total += length;
    }
    if (total != header.size)
        return std::nullopt;
    message parts(count);
    for (std::size_t i = 0; i < count; ++i) {
        parts[i].resize(lengths[i]);
        if (!payload.read(parts[i].data(), lengths[i]))
            return std::nullopt;
    }
    return parts;
}
