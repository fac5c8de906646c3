// The floor of bench/run: the work no run of vestrel can avoid, on the same
// files in one process. Each file argument is read whole (by the program's
// own reader), repaired by Tidy with the program's own settings (the first
// attempt's tidy_worker, reading UTF-8) and parsed by TinyXML2; nothing is
// decoded, matched or written.
//
//     bench_floor FILE...
//
// Exits with 1 when a file cannot be read, so a broken benchmark setup does
// not pass for a fast one.

#include "cli/inputs.hpp"
#include "loading/tidy_worker.hpp"
#include "processing/read_input.hpp"

#include <iostream>
#include <optional>
#include <tinyxml2.h>

int main(int argc, char** argv)
{
    int unreadable = 0;
    for (int i = 1; i < argc; ++i) {
        const input_file file = open_argument(argv[i]);
        if (!file.is_open() || file.is_directory()) {
            std::cerr << "bench_floor: cannot read " << argv[i] << "\n";
            ++unreadable;
            continue;
        }
        const std::string text =
            read_input(file.file.fd, false, std::size_t(file.status.st_size)).text;
        const tidy_worker repair(text, "utf8", repair_rules::xhtml);
        tinyxml2::XMLDocument document;
        document.Parse(repair.xhtml.c_str());
    }
    return unreadable == 0 ? 0 : 1;
}
