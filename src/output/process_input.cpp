#include "output/process_input.hpp"

// Placeholder until loading and output land: the input is received and
// nothing is written.
void process_input(std::vector<std::string>& results, bool, const std::string&,
                   const std::string&, const std::optional<std::string>&,
                   const std::optional<std::string>&, int, bool, const std::string&)
{
    results.clear();
}

void reset_list_file(const std::string&)
{
}
