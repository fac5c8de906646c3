#include "output/output_modes.hpp"

#include "output/index_lines.hpp"
#include "output/written_names.hpp"

namespace {

std::string prefix_line(const std::string& display_name)
{
    return "<!--" + name_in_comment(display_name) + "-->\n";
}

// The optional prefix line, then one line per item.
std::string group_text(const std::vector<std::string>& items, bool prefix,
                       const std::string& display_name)
{
    std::string text = prefix ? prefix_line(display_name) : std::string();
    for (const auto& item : items) {
        text += item;
        text += '\n';
    }
    return text;
}

// Modes 3 and 4: one file per item, named by name_of(counter).
template <typename Namer>
std::vector<output_piece> file_per_item(const std::vector<std::string>& items, bool prefix,
                                        const std::string& display_name, Namer name_of)
{
    std::vector<output_piece> pieces;
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::string text = prefix ? prefix_line(display_name) : std::string();
        text += items[i];
        text += '\n';
        pieces.push_back({name_of(counter_text(i, items.size())), list_open::truncate,
                          std::move(text)});
    }
    return pieces;
}

output_piece index_piece(const std::vector<std::string>& items, bool clean,
                         const std::string& display_name)
{
    std::string text;
    for (const auto& item : items)
        text += index_line(display_name, clean ? clean_index_item(item) : item);
    return {index_list_name, list_open::append, std::move(text)};
}

}

bool writes_list_files(int mode)
{
    return mode >= mode_all_list && mode <= mode_raw_index;
}

std::string collective_list_name(int mode)
{
    if (mode == mode_all_list)
        return all_list_name;
    if (mode == mode_clean_index || mode == mode_raw_index)
        return index_list_name;
    return {};
}

std::vector<output_piece> results_output(const std::vector<std::string>& items, int mode,
                                         bool prefix, const std::string& display_name)
{
    switch (mode) {
    case mode_stdout:
        return {{"", list_open::append, group_text(items, prefix, display_name)}};
    case mode_all_list:
        return {{all_list_name, list_open::append, group_text(items, prefix, display_name)}};
    case mode_list_per_input:
        return {{display_name + ".lst", list_open::truncate,
                 group_text(items, prefix, display_name)}};
    case mode_file_per_item:
        return file_per_item(items, prefix, display_name, [&](const std::string& counter) {
            return display_name + "." + counter + ".lst";
        });
    case mode_numbered_file_per_item:
        return file_per_item(items, prefix, display_name,
                             [](const std::string& counter) { return counter + ".lst"; });
    case mode_clean_index:
        return {index_piece(items, true, display_name)};
    case mode_raw_index:
        return {index_piece(items, false, display_name)};
    default:
        return {};
    }
}
