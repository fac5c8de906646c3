#include "cli/inputs.hpp"

#include "cli/wildcard.hpp"
#include "loading/encodings.hpp"
#include "platform/directory_handle.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

input_file open_with(const std::string& name, int flags)
{
    int fd;
    do
        fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | flags);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return {};
    struct stat status {};
    if (fstat(fd, &status) != 0) {
        close(fd);
        return {};
    }
    return {fd, status};
}

// Whether the input read so far, then more, begins with a UTF-16
// byte-order mark.
bool starts_utf16_text(const std::string& text, std::string_view more)
{
    std::string start = text.substr(0, 2);
    start.append(more.substr(0, 2 - start.size()));
    return begins_with_utf16_mark(start);
}

}

input_file::input_file(input_file&& other) noexcept : fd(other.fd), status(other.status)
{
    other.fd = -1;
}

input_file& input_file::operator=(input_file&& other) noexcept
{
    if (this != &other) {
        if (fd >= 0)
            close(fd);
        fd = other.fd;
        status = other.status;
        other.fd = -1;
    }
    return *this;
}

input_file::~input_file()
{
    if (fd >= 0)
        close(fd);
}

input_file open_argument(const std::string& name)
{
    return open_with(name, 0);
}

input_file open_found(const std::string& name)
{
    // Opening a FIFO without O_NONBLOCK would wait for a writer.
    input_file file = open_with(name, O_NONBLOCK);
    if (!file.is_open() || !S_ISREG(file.status.st_mode))
        return {};
    return file;
}

std::vector<directory_entry> matching_entries(const std::string& pattern)
{
    std::vector<directory_entry> entries;
    const directory_handle listing(opendir("."));
    if (!listing)
        return entries;
    while (const dirent* entry = readdir(listing.get()))
        if (wildcard_match(pattern.c_str(), entry->d_name))
            entries.push_back({entry->d_name, entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK});
    return entries;
}

input_text read_whole(int fd, bool past_nul, std::size_t expected_size)
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
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            input.error = errno;
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
            // Nothing after it is ever looked at: /dev/zero ends here too.
            text.append(buffer, static_cast<const char*>(nul) - buffer);
            break;
        }
        text.append(buffer, count);
    }
    return input;
}

name_target look_up(const std::string& name)
{
    name_target target;
    if (lstat(name.c_str(), &target.status) != 0)
        return target;
    target.exists = true;
    if (!S_ISLNK(target.status.st_mode))
        return target;
    target.is_link = true;
    target.exists = stat(name.c_str(), &target.status) == 0;
    if (target.exists) {
        const std::unique_ptr<char, decltype(&std::free)> real(realpath(name.c_str(), nullptr),
                                                               &std::free);
        if (real)
            target.real_name = real.get();
    }
    return target;
}

std::size_t regular_size(const input_file& file)
{
    return S_ISREG(file.status.st_mode) ? static_cast<std::size_t>(file.status.st_size) : 0;
}
