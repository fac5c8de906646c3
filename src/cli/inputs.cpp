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

std::string read_whole(std::FILE* stream)
{
    std::string text;
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
    return read_whole(file.get());
}
