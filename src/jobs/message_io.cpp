#include "jobs/message_io.hpp"

#include "platform/byte_packing.hpp"
#include "platform/system_io.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sys/socket.h>
#include <sys/uio.h>

namespace {

// A message is its part count and the size of what follows it, then each
// part's length, then the parts' bytes one after another; the numbers are
// 8 bytes each, as byte_packer writes them. Knowing the size at once lets a
// small message be read in two reads.
constexpr std::size_t number_size = 8;
constexpr std::size_t header_size = 2 * number_size;

// Small parts are gathered into one buffer of this size before they are
// written, so a reply of many short results costs a few writes, not one each.
constexpr std::size_t staging_size = 64 * 1024;

// Sends the first bytes of a message with the descriptor file attached;
// what it sends, or -1.
ssize_t send_with_file(int fd, std::string_view data, int file)
{
    iovec piece{const_cast<char*>(data.data()), data.size()};
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
    return retry_interrupted([&] { return sendmsg(fd, &header, MSG_NOSIGNAL); });
}

// Writes data; the first write carries the descriptor file along when it is
// not -1, and then sets it to -1.
bool send_piece(int fd, std::string_view data, int& file)
{
    if (file >= 0 && !data.empty()) {
        const ssize_t sent = send_with_file(fd, data, file);
        if (sent <= 0)
            return false;
        file = -1;
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return !send_all(fd, data);
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
    std::uint64_t count = 0;
    std::uint64_t size = 0;
};

// Reads the numbers that begin a message, and the descriptor that comes
// with its first byte.
bool read_header(int fd, message_header& read, owned_fd* file)
{
    char bytes[header_size];
    iovec piece{bytes, sizeof bytes};
    alignas(cmsghdr) char control[CMSG_SPACE(4 * sizeof(int))];
    msghdr header{};
    header.msg_iov = &piece;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    ssize_t got = retry_interrupted([&] { return recvmsg(fd, &header, MSG_CMSG_CLOEXEC); });
    if (got < 0 && errno == ENOTSOCK)
        got = 0;
    else if (got <= 0)
        return false;
    else
        take_descriptors(header, file);
    const auto had = static_cast<std::size_t>(got);
    if (!read_exactly(fd, bytes + had, sizeof bytes - had))
        return false;
    byte_unpacker numbers({bytes, sizeof bytes});
    read.count = numbers.number();
    read.size = numbers.number();
    return true;
}

// Reads the parts' bytes through a buffer, so that many small parts cost
// few reads; a large part is read straight into its place. It never reads
// past the message's total size, so what follows stays for the next one.
class payload_reader {
public:
    payload_reader(int fd, std::uint64_t total) : fd(fd), unread(total) {}

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
                return read_exactly(fd, data, size);
            }
            held.resize(static_cast<std::size_t>(std::min<std::uint64_t>(staging_size, unread)));
            const ssize_t got = read_some(fd, held.data(), held.size());
            if (got <= 0)
                return false;
            held.resize(static_cast<std::size_t>(got));
            unread -= held.size();
            used = 0;
        }
    }

private:
    int fd;
    std::uint64_t unread;  // bytes of the message not yet read from fd
    std::string held;
    std::size_t used = 0;
};

// The lengths of the parts, which follow the header.
std::optional<std::vector<std::uint64_t>> read_lengths(payload_reader& payload,
                                                       const message_header& header)
{
    const auto count = static_cast<std::size_t>(header.count);
    std::string bytes(count * number_size, '\0');
    if (!payload.read(bytes.data(), bytes.size()))
        return std::nullopt;
    byte_unpacker numbers(bytes);
    std::vector<std::uint64_t> lengths(count);
    std::uint64_t total = bytes.size();
    for (std::uint64_t& length : lengths) {
        length = numbers.number();
        if (length > header.size - total)
            return std::nullopt;
        total += length;
    }
    if (total != header.size)
        return std::nullopt;
    return lengths;
}

}

bool send_message(int fd, const message& parts, int file)
{
    std::uint64_t size = parts.size() * number_size;
    for (const std::string& part : parts)
        size += part.size();
    byte_packer staged;
    staged.bytes.reserve(staging_size);
    staged.number(parts.size());
    staged.number(size);
    for (const std::string& part : parts)
        staged.number(part.size());
    for (const std::string& part : parts) {
        if (staged.bytes.size() + part.size() > staging_size) {
            if (!send_piece(fd, staged.bytes, file))
                return false;
            staged.bytes.clear();
        }
        if (part.size() > staging_size) {
            if (!send_piece(fd, part, file))
                return false;
        } else {
            staged.raw(part);
        }
    }
    return send_piece(fd, staged.bytes, file);
}

std::optional<message> receive_message(int fd, owned_fd* file)
{
    message_header header;
    if (!read_header(fd, header, file) || header.size < header.count * number_size
        || header.count > (std::uint64_t(1) << 40) / number_size)
        return std::nullopt;
    payload_reader payload(fd, header.size);
    const std::optional<std::vector<std::uint64_t>> lengths = read_lengths(payload, header);
    if (!lengths)
        return std::nullopt;
    message parts(lengths->size());
    for (std::size_t i = 0; i < parts.size(); ++i) {
        parts[i].resize((*lengths)[i]);
        if (!payload.read(parts[i].data(), parts[i].size()))
            return std::nullopt;
    }
    return parts;
}
