// The floor of bench/run: the work no run of vestrel can avoid, on the same
// files in one process. Each file argument is read whole, repaired by Tidy
// with the program's own settings (a non-verbose tidy_worker) and parsed by
// TinyXML2; nothing is matched and nothing is written.
//
//     bench_floor FILE...
//
// Exits with 1 when a file cannot be read, so a broken benchmark setup does
// not pass for a fast one.

#include "loading/tidy_worker.hpp"

#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <tinyxml2.h>

namespace {

std::optional<std::string> read_file(const char* name)
{
    std::ifstream file(name, std::ios::binary | std::ios::ate);
    if (!file)
        return std::nullopt;
    std::string text(static_cast<std::size_t>(file.tellg()), '\0');
    file.seekg(0);
    if (!file.read(text.data(), static_cast<std::streamsize>(text.size())))
        return std::nullopt;
    return text;
}

}

int main(int argc, char** argv)
{
    int unreadable = 0;
    for (int i = 1; i < argc; ++i) {
        const auto text = read_file(argv[i]);
        if (!text) {
            std::cerr << "bench_floor: cannot read " << argv[i] << "\n";
            ++unreadable;
            continue;
        }
        const tidy_worker worker(false, text->c_str(), std::nullopt, std::nullopt);
        tinyxml2::XMLDocument document;
        document.Parse(worker.xhtml.c_str());
    }
    return unreadable == 0 ? 0 : 1;
}
