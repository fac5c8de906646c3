#include "cli/inputs.hpp"

#include "cli/wildcard.hpp"
#include "platform/directory_handle.hpp"

#include <cstdlib>
#include <fcntl.h>
#include <memory>

namespace {

input_file open_with(const std::string& name, int flags)
{
    input_file input;
    input.file = owned_fd(retry_interrupted(
        [&] { return open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | flags); }));
    if (input.is_open() && fstat(input.file.fd, &input.status) != 0)
        return {};
    return input;
}

}

input_file open_argument(const std::string& name)
{
    return open_with(name, 0);
}

input_file open_found(const std::string& name)
{
    // Opening a FIFO without O_NONBLOCK would wait for a writer.
    input_file input = open_with(name, O_NONBLOCK);
    if (!input.is_open() || !S_ISREG(input.status.st_mode))
        return {};
    return input;
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
