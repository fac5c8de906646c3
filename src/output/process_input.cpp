#include "output/process_input.hpp"

#include "loading/encodings.hpp"
#include "loading/tidy_worker.hpp"
#include "matching/query.hpp"
#include "output/output_modes.hpp"

void process_input(std::vector<std::string>& results, bool verbose,
                   const std::string& input_text, const std::string& selector,
                   const std::optional<std::string>& input_encoding,
                   const std::optional<std::string>& output_encoding,
                   int mode, bool prefix, const std::string& display_name)
{
    results.clear();
    {
        // The worker, and with it the input's XHTML, is gone before anything
        // is written.
        const tidy_worker worker(verbose, processed_input(input_text, input_encoding),
                                 input_encoding, output_encoding);
        query_document(results, verbose, worker.xhtml.c_str(), selector.c_str());
    }
    write_results(results, mode, prefix, display_name);
}
