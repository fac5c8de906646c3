#include "output/output_modes.hpp"

#include "output/index_lines.hpp"
#include "output/list_files.hpp"

#include <iostream>

namespace {

void write_prefix_line(std::ostream& out, const std::string& display_name)
{
    out << "<!--" << display_name << "-->\n";
}

// The optional prefix line, then one line per item.
void write_group(std::ostream& out, const std::vector<std::string>& items, bool prefix,
                 const std::string& display_name)
{
    if (prefix)
        write_prefix_line(out, display_name);
    for (const auto& item : items)
        out << item << '\n';
}

void write_group_to_file(const std::string& name, list_open kind,
                         const std::vector<std::string>& items, bool prefix,
                         const std::string& display_name)
{
    std::ofstream file = open_list_file(name, kind);
    if (file.is_open())
        write_group(file, items, prefix, display_name);
}

// Modes 3 and 4: one file per item, named by name_of(counter).
template <typename Namer>
void write_file_per_item(const std::vector<std::string>& items, bool prefix,
                         const std::string& display_name, Namer name_of)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::ofstream file = open_list_file(name_of(counter_text(i, items.size())),
                                            list_open::truncate);
        if (!file.is_open())
            continue;
        if (prefix)
            write_prefix_line(file, display_name);
        file << items[i] << '\n';
    }
}

void write_index(const std::vector<std::string>& items, bool clean,
                 const std::string& display_name)
{
    std::ofstream file = open_list_file(index_list_name, list_open::append);
    if (!file.is_open())
        return;
    for (const auto& item : items)
        file << index_line(display_name, clean ? clean_index_item(item) : item);
}

}

void write_results(const std::vector<std::string>& items, int mode, bool prefix,
                   const std::string& display_name)
{
    switch (mode) {
    case mode_stdout:
        write_group(std::cout, items, prefix, display_name);
        break;
    case mode_all_list:
        write_group_to_file(all_list_name, list_open::append, items, prefix, display_name);
        break;
    case mode_list_per_input:
        write_group_to_file(display_name + ".lst", list_open::truncate, items, prefix,
                            display_name);
        break;
    case mode_file_per_item:
        write_file_per_item(items, prefix, display_name, [&](const std::string& counter) {
            return display_name + "." + counter + ".lst";
        });
        break;
    case mode_numbered_file_per_item:
        write_file_per_item(items, prefix, display_name,
                            [](const std::string& counter) { return counter + ".lst"; });
        break;
    case mode_clean_index:
        write_index(items, true, display_name);
        break;
    case mode_raw_index:
        write_index(items, false, display_name);
        break;
    default:
        break;
    }
}
