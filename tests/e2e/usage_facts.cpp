#include "usage_facts.hpp"

#include <sstream>

namespace {

// The words of "Values include: a, b, ... and z." in the joined -i help text.
std::vector<std::string> listed_values(const std::string& help)
{
    const std::string intro = "Values include: ";
    const auto start = help.find(intro);
    if (start == std::string::npos)
        return {};
    const auto end = help.find('.', start);
    std::string list = help.substr(start + intro.size(), end - start - intro.size());
    for (auto at = list.find(" and "); at != std::string::npos; at = list.find(" and "))
        list.replace(at, 5, ", ");
    std::vector<std::string> values;
    std::istringstream in(list);
    for (std::string value; std::getline(in, value, ',');)
        values.push_back(value.substr(value.find_first_not_of(' ')));
    return values;
}

}

usage_facts read_usage_page(const e2e::scratch_dir& cwd)
{
    usage_facts facts;
    const auto usage = e2e::run_vestrel({"-h"}, cwd.path);
    std::istringstream lines(usage.out);
    std::string current_option, encoding_help;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("\t\t", 0) == 0) {
            if (current_option == "-i")
                encoding_help += line.substr(2) + " ";
        } else if (line.rfind("\t-", 0) == 0) {
            current_option = line.substr(1, line.find_first_of(" \t", 1) - 1);
            facts.options.push_back(current_option);
        } else {
            current_option.clear();
        }
    }
    facts.encodings = listed_values(encoding_help);
    const auto version = e2e::run_vestrel({"-v"}, cwd.path);
    facts.version = version.err.substr(0, version.err.find('\n'));
    return facts;
}
