#include "cache/document_cache.hpp"

#include "cache/entry_format.hpp"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <stdexcept>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Reads the whole of a file that should hold exactly size bytes; false
// when it cannot be read or holds another number of bytes.
bool read_exactly(int fd, std::size_t size, std::string& bytes)
{
    bytes.resize(size + 1);
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t count = read(fd, bytes.data() + got, bytes.size() - got);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return false;
        if (count == 0)
            break;
        got += static_cast<std::size_t>(count);
    }
    bytes.resize(got);
    return got == size;
}

// 0, or the error number of the write that failed.
int write_all(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t count = write(fd, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return errno;
        if (count == 0)
            return EIO;
        bytes.remove_prefix(static_cast<std::size_t>(count));
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
        std::string entry;
        if (!read_exactly(file.fd, std::size_t(status.st_size), entry))
            return std::nullopt;
        return decode_entry(key, entry);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

int document_cache::store(const cache_key& key, std::string_view payload) const
{
    std::string entry;
    try {
        entry = encode_entry(key, payload);
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    } catch (const std::exception&) {
        return ENOTSUP;
    }
    owned_fd file;
    std::string temporary;
    if (const int error = create_temporary(file, temporary); error != 0)
        return error;
    int error = write_all(file.fd, entry);
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
