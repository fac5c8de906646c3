// Fuzz target for the whole per-input pipeline: the first line of the input
// is the selector group, the rest is the document. The document is read from
// an open file and goes through the choice of its encoding, Tidy, the XML
// parse, the query and the serialisation of every match exactly as in a run
// (process_input, verbose), the outcome is packed and unpacked as it crosses
// from a worker process, and every result is then cleaned as mode 5 cleans
// it.
#include "../unit/processing/input_holding.hpp"
#include "output/index_lines.hpp"

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

// Every entry of a result list is one serialised element: it starts with
// its start tag and ends with exactly one line end after its end tag, and
// holds no control character that XML forbids, however the page wrote one.
bool well_formed_entry(const std::string& entry)
{
    for (const char c : entry)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
            return false;
    return entry.size() >= 4 && entry.front() == '<' && entry.back() == '\n'
           && entry[entry.size() - 2] == '>';
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t line_end = bytes.find('\n');
    const std::string selector = bytes.substr(0, line_end);
    const std::string document = line_end == std::string::npos ? "" : bytes.substr(line_end + 1);

    input_outcome outcome =
        unpack_outcome(pack_outcome(process_text({true, selector, {}}, document)));
    for (std::string& entry : outcome.results) {
        if (!well_formed_entry(entry)) {
            std::cerr << "malformed result entry: [" << entry << "]\n";
            std::abort();
        }
        clean_index_item(entry);
    }
    return 0;
}
