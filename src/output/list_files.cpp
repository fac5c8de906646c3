#include "output/list_files.hpp"

#include "output/process_input.hpp"

std::ofstream open_list_file(const std::string& name, list_open kind)
{
    // Standard file streams create files with permission 0666 & ~umask.
    const auto flags = kind == list_open::append
        ? std::ios::in | std::ios::out | std::ios::app
        : std::ios::out | std::ios::trunc;
    return std::ofstream(name, flags | std::ios::binary);
}

void reset_list_file(const std::string& name)
{
    open_list_file(name, list_open::truncate);
}

std::string counter_text(std::size_t index, std::size_t count)
{
    const std::string digits = std::to_string(index);
    const std::size_t width = std::to_string(count).size();
    if (digits.size() >= width)
        return digits;
    return std::string(width - digits.size(), '0') + digits;
}
