#include "cache/document_cache.hpp"

#include "cache/entry_format.hpp"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <stdexcept>
#include <sys/random.h>
#include <algorithm>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

// Reads exactly size bytes from the file's offset; false when it cannot.
bool read_exactly(int fd, off_t offset, std::string& bytes)
{
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t count =
            pread(fd, bytes.data() + got, bytes.size() - got, offset + off_t(got));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        got += static_cast<std::size_t>(count);
    }
    return true;
}

// Writes the header, then the payload; 0, or the error number of the write
// that failed.
int write_entry(int fd, std::string_view header, std::string_view payload)
{
    while (!header.empty() || !payload.empty()) {
        iovec pieces[2] = {{const_cast<char*>(header.data()), header.size()},
                           {const_cast<char*>(payload.data()), payload.size()}};
        const ssize_t count = writev(fd, pieces, 2);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return errno;
        if (count == 0)
            return EIO;
        auto written = static_cast<std::size_t>(count);
        const std::size_t from_header = std::min(written, header.size());
        header.remove_prefix(from_header);
        payload.remove_prefix(written - from_header);
    }
    return 0;
}

// Sixteen hex digits from the kernel's random source, or from the clock
// when that has nothing to give at once; they only keep temporary names of
// processes apart.
std::string random_digits()
{
    std::uint64_t number = 0;
    if (getrandom(&number, sizeof number, GRND_NONBLOCK) != ssize_t(sizeof number)) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        number = std::uint64_t(now.tv_sec) * 1000000007u ^ std::uint64_t(now.tv_nsec);
    }
    std::string digits(16, '0');
    for (char& digit : digits) {
        digit = "0123456789abcdef"[number & 0xf];
        number >>= 4;
    }
    return digits;
}

// Makes the directory and any missing parents; 0 or the error number.
int make_directories(const std::string& path)
{
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string prefix = path.substr(0, end);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
        if (end == std::string::npos)
            return 0;
    }
}

int open_directory(const std::string& path)
{
    return open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

cache_opening refused(std::string problem)
{
    return {std::nullopt, std::move(problem)};
}

}

std::optional<std::string> document_cache::lookup(const cache_key& key) const
{
    const owned_fd file(openat(handle.fd, key.hex().c_str(),
                               O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    struct stat status {};
    if (!file.is_open() || fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode)
        || status.st_size < off_t(entry_header_size))
        return std::nullopt;
    try {
        std::string header(entry_header_size, '\0');
        if (!read_exactly(file.fd, 0, header))
            return std::nullopt;
        const auto length = checked_payload_length(key, header, std::uint64_t(status.st_size));
        if (!length)
            return std::nullopt;
        std::string payload(std::size_t(*length), '\0');
        if (!read_exactly(file.fd, off_t(entry_header_size), payload)
            || !checksum_matches(header, payload))
            return std::nullopt;
        return payload;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

int document_cache::store(const cache_key& key, std::string_view payload) const
{
    std::string header;
    try {
        header = entry_header(key, payload);
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
    owned_fd file;
    std::string temporary;
    if (const int error = create_temporary(file, temporary); error != 0)
        return error;
    int error = write_entry(file.fd, header, payload);
    const int closed = file.close_now();
    if (error == 0)
        error = closed;
    if (error == 0 && renameat(handle.fd, temporary.c_str(), handle.fd, key.hex().c_str()) != 0)
        error = errno;
    if (error != 0)
        unlinkat(handle.fd, temporary.c_str(), 0);
    return error;
}

int document_cache::create_temporary(owned_fd& file, std::string& name) const
{
    const std::string prefix = ".tmp-" + std::to_string(getpid()) + "-";
    int error = EEXIST;
    for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
        name = prefix + std::to_string(temporaries++) + "-" + random_digits();
        const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC;
        const int fd = openat(handle.fd, name.c_str(), flags, 0600);
        error = fd < 0 ? errno : 0;
        file = owned_fd(fd);
    }
    return error;
}

cache_opening open_cache(const std::string& directory)
{
    owned_fd handle(open_directory(directory));
    int error = handle.is_open() ? 0 : errno;
    if (error == ENOENT) {
        error = make_directories(directory);
        if (error == 0) {
            handle = owned_fd(open_directory(directory));
            error = handle.is_open() ? 0 : errno;
        }
    }
    if (error != 0)
        return refused(std::strerror(error));
    struct stat status {};
    if (fstat(handle.fd, &status) != 0)
        return refused(std::strerror(errno));
    if (status.st_uid != geteuid())
        return refused("it belongs to another user");
    if (status.st_mode & (S_IWGRP | S_IWOTH))
        return refused("others may write to it");
    if (faccessat(handle.fd, ".", W_OK | X_OK, AT_EACCESS) != 0)
        return refused(std::strerror(errno));
    return {document_cache(directory, std::move(handle)), ""};
}
