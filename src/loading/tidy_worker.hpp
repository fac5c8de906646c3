// Repairs raw HTML into XHTML with libtidy. The whole conversion runs in the
// constructor; afterwards the object only holds its outcome.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// One input's cleaning. In verbose mode the raw source, Tidy's diagnostics
// and the XHTML are shown on standard error as they pass.
class tidy_worker {
public:
    // raw is the HTML, every byte of it. Without input_encoding
    // the input is read as "utf8"; "win1251" (any letter case) is converted
    // to UTF-8 by the program itself; any other name goes to Tidy as given.
    // Without output_encoding the XHTML is written as "utf8".
    tidy_worker(bool verbose, std::string_view raw,
                const std::optional<std::string>& input_encoding,
                const std::optional<std::string>& output_encoding);

    // 0 when the conversion succeeded, otherwise the negative Tidy status at
    // which it stopped.
    int status = -1;
    // The cleaned document; empty when the conversion failed.
    std::string xhtml;

private:
    int convert(bool verbose, std::string_view raw,
                const std::optional<std::string>& input_encoding,
                const std::optional<std::string>& output_encoding);
};
