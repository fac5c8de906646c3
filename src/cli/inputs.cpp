#include "cli/inputs.hpp"

#include "cli/wildcard.hpp"

#include <dirent.h>
#include <iostream>
#include <memory>
#include <sys/stat.h>

namespace {

struct file_closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using file_handle = std::unique_ptr<std::FILE, file_closer>;

struct directory_closer {
    void operator()(DIR* directory) const { closedir(directory); }
};
using directory_handle = std::unique_ptr<DIR, directory_closer>;

bool is_directory(std::FILE* file)
{
    struct stat info {};
    return fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode);
}

// The size of a regular file, 0 when it is unknown.
std::size_t regular_file_size(std::FILE* file)
{
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    return static_cast<std::size_t>(info.st_size);
}

}

bool file_exists(const std::string& name)
{
    return file_handle(std::fopen(name.c_str(), "r")) != nullptr;
}

std::vector<std::string> resolve_argument(const std::string& argument, bool verbose)
{
    if (file_exists(argument))
        return {argument};
    std::vector<std::string> names;
    const directory_handle listing(opendir("."));
    if (!listing)
        return names;
    while (const dirent* entry = readdir(listing.get())) {
        if (!wildcard_match(argument.c_str(), entry->d_name))
            continue;
        if (verbose)
            std::cerr << argument << " -> " << entry->d_name << "\n";
        names.emplace_back(entry->d_name);
    }
    if (names.empty())
        std::cerr << "File " << argument << " was not found!\n";
    return names;
}

std::string read_whole(std::FILE* stream, std::size_t expected_size)
{
    std::string text;
    // Allocated once when the size is known. Growing a large text step by
    // step frees ever larger blocks, which makes the allocator keep later
    // freed memory instead of returning it: a 5 MB page then costs half as
    // much memory again for the whole run.
    text.reserve(expected_size);
    char buffer[65536];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, stream)) > 0)
        text.append(buffer, count);
    return text;
}

std::optional<std::string> read_input_file(const std::string& name)
{
    const file_handle file(std::fopen(name.c_str(), "rb"));
    if (!file || is_directory(file.get()))
        return std::nullopt;
    return read_whole(file.get(), regular_file_size(file.get()));
}
