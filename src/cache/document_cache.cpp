#include "cache/document_cache.hpp"

#include "cache/entry_format.hpp"
#include "platform/directory_handle.hpp"
#include "platform/system_io.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <stdexcept>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* entries_name = "entries";
constexpr const char* temporary_name = "tmp";

// No store takes minutes: a temporary file this old whose process is gone
// was left by a killed run, and one older than a day by a run on another
// host or by a process whose ID has been taken again.
constexpr std::time_t stale_when_its_process_is_gone = 10 * 60;
constexpr std::time_t stale_in_any_case = 24 * 60 * 60;

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

// Makes the directory and any missing parents.
failure make_directories(const std::string& path)
{
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string prefix = path.substr(0, end);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return system_failure(errno);
        if (end == std::string::npos)
            return {};
    }
}

int open_directory(const std::string& path)
{
    return retry_interrupted([&] { return open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC); });
}

cache_opening refused(failure problem)
{
    return {std::nullopt, std::move(problem)};
}

// Why someone but the user could put files in the directory, named part;
// none when no one could.
failure distrust(const struct stat& directory, std::string part = {})
{
    if (directory.st_uid != geteuid())
        return {failure_kind::foreign_owner, 0, std::move(part)};
    if (directory.st_mode & (S_IWGRP | S_IWOTH))
        return {failure_kind::open_to_others, 0, std::move(part)};
    return {};
}

// A subdirectory of the cache, made first when it is missing and the cache
// is writable; a symbolic link is not followed. Sets problem, and gives no
// descriptor, when it cannot be opened or may not be trusted; in a
// read-only cache a missing one is no problem.
owned_fd open_subdirectory(int parent, const char* name, bool writable, failure& problem)
{
    const int flags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    owned_fd handle(retry_interrupted([&] { return openat(parent, name, flags); }));
    if (!handle.is_open() && errno == ENOENT && writable) {
        if (mkdirat(parent, name, 0700) == 0 || errno == EEXIST)
            handle = owned_fd(retry_interrupted([&] { return openat(parent, name, flags); }));
    }
    struct stat status {};
    if (!handle.is_open() || fstat(handle.fd, &status) != 0) {
        if (errno != ENOENT || writable)
            problem = system_failure(errno, name);
        return {};
    }
    if ((problem = distrust(status, name)))
        return {};
    return handle;
}

// This machine's name, which tells a temporary file made here from one made
// by a run on another host that shares the directory.
std::string this_host()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

// The process that made a temporary file, when the name is one that
// create_temporary makes ("PID-COUNTER-RANDOM@HOST").
struct temporary_maker {
    pid_t pid = 0;
    bool on_this_host = false;
};

std::optional<temporary_maker> maker_of(std::string_view name, std::string_view host)
{
    const std::size_t dash = name.find('-');
    const std::size_t at = name.find('@');
    if (dash == std::string_view::npos || at == std::string_view::npos || dash > at)
        return std::nullopt;
    temporary_maker maker;
    const char* end = name.data() + dash;
    const auto [stop, error] = std::from_chars(name.data(), end, maker.pid);
    if (error != std::errc() || stop != end || maker.pid <= 0)
        return std::nullopt;
    maker.on_this_host = name.substr(at + 1) == host;
    return maker;
}

bool is_alive(pid_t pid)
{
    return kill(pid, 0) == 0 || errno == EPERM;
}

// Removes the temporary files in the directory that no live run can be
// writing; names of any other form are left alone.
void remove_stale_temporaries(int directory, const std::string& host, std::time_t now)
{
    owned_fd readable(
        retry_interrupted([&] { return openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
    if (!readable.is_open())
        return;
    const directory_handle listing(fdopendir(readable.fd));
    if (!listing)
        return;
    readable.release();
    while (const dirent* entry = readdir(listing.get())) {
        const std::optional<temporary_maker> maker = maker_of(entry->d_name, host);
        struct stat status {};
        if (!maker || fstatat(directory, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const std::time_t age = now - status.st_mtime;
        if (age > stale_in_any_case
            || (age > stale_when_its_process_is_gone && maker->on_this_host
                && !is_alive(maker->pid)))
            unlinkat(directory, entry->d_name, 0);
    }
}

}

std::optional<std::string> document_cache::lookup(const cache_key& key,
                                                  std::uint64_t largest_payload) const
{
    if (!entries.is_open())
        return std::nullopt;
    const int flags = O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC;
    const owned_fd file(
        retry_interrupted([&] { return openat(entries.fd, key.hex().c_str(), flags); }));
    struct stat status {};
    if (!file.is_open() || fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode)
        || status.st_uid != geteuid() || status.st_size < off_t(entry_header_size)
        || std::uint64_t(status.st_size) - entry_header_size > largest_payload)
        return std::nullopt;
    try {
        std::string header(entry_header_size, '\0');
        if (!read_exactly_at(file.fd, 0, header.data(), header.size()))
            return std::nullopt;
        const auto length = checked_payload_length(key, header, std::uint64_t(status.st_size));
        if (!length)
            return std::nullopt;
        std::string payload(std::size_t(*length), '\0');
        if (!read_exactly_at(file.fd, off_t(entry_header_size), payload.data(), payload.size())
            || !checksum_matches(header, payload))
            return std::nullopt;
        return payload;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

failure document_cache::store(const cache_key& key, std::string_view payload) const
{
    if (store_failed)
        return {};
    failure failed = write_failure ? write_failure : write_entry(key, payload);
    store_failed = bool(failed);
    return failed;
}

failure document_cache::write_entry(const cache_key& key, std::string_view payload) const
{
    std::string header;
    try {
        header = entry_header(key, payload);
    } catch (const std::bad_alloc&) {
        return system_failure(ENOMEM);
    }
    owned_fd file;
    std::string name;
    if (failure failed = create_temporary(file, name))
        return failed;
    failure failed = write_all(file.fd, header);
    if (!failed)
        failed = write_all(file.fd, payload);
    const failure closed = file.close_now();
    if (!failed)
        failed = closed;
    if (!failed && renameat(temporary.fd, name.c_str(), entries.fd, key.hex().c_str()) != 0)
        failed = system_failure(errno);
    if (failed)
        unlinkat(temporary.fd, name.c_str(), 0);
    return failed;
}

failure document_cache::create_temporary(owned_fd& file, std::string& name) const
{
    const std::string prefix = std::to_string(getpid()) + "-";
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC;
    int error = EEXIST;
    for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
        name = prefix + std::to_string(temporaries++) + "-" + random_digits() + "@" + host;
        file = owned_fd(
            retry_interrupted([&] { return openat(temporary.fd, name.c_str(), flags, 0600); }));
        error = file.is_open() ? 0 : errno;
    }
    return error == 0 ? failure{} : system_failure(error);
}

namespace {

// The cache directory, made first when it is missing.
failure open_top(const std::string& directory, owned_fd& handle)
{
    handle = owned_fd(open_directory(directory));
    if (!handle.is_open() && errno == ENOENT) {
        if (failure failed = make_directories(directory))
            return failed;
        handle = owned_fd(open_directory(directory));
    }
    return handle.is_open() ? failure{} : system_failure(errno);
}

}

cache_opening open_cache(const std::string& directory)
{
    owned_fd handle;
    if (failure failed = open_top(directory, handle))
        return refused(std::move(failed));
    struct stat status {};
    if (fstat(handle.fd, &status) != 0)
        return refused(system_failure(errno));
    if (failure why = distrust(status))
        return refused(std::move(why));
    if (faccessat(handle.fd, ".", X_OK, AT_EACCESS) != 0)
        return refused(system_failure(errno));
    failure write_failure;
    if (faccessat(handle.fd, ".", W_OK, AT_EACCESS) != 0)
        write_failure = system_failure(errno);
    const bool writable = !write_failure;
    failure problem;
    owned_fd entries = open_subdirectory(handle.fd, entries_name, writable, problem);
    owned_fd temporary;
    if (!problem && writable)
        temporary = open_subdirectory(handle.fd, temporary_name, true, problem);
    if (problem)
        return refused(std::move(problem));
    std::string host = this_host();
    if (writable)
        remove_stale_temporaries(temporary.fd, host, std::time(nullptr));
    return {document_cache(directory, std::move(entries), std::move(temporary),
                           std::move(write_failure), std::move(host)),
            {}};
}
