// What the built program says about itself: the option names and the -i
// encodings of its usage page, and its version. The completion and the
// manual page are checked against these so that they cannot drift apart.
#pragma once

#include "harness.hpp"

#include <string>
#include <vector>

struct usage_facts {
    std::vector<std::string> options;    // in usage-page order, e.g. "-m"
    std::vector<std::string> encodings;  // the -i help text's list, in its order
    std::string version;                 // what -v prints, without the line feed
};

// Runs vestrel -h and vestrel -v in cwd and reads the facts out of them.
usage_facts read_usage_page(const e2e::scratch_dir& cwd);
