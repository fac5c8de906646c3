// The encoding each page is read in, and the text Tidy is given for it.
#pragma once

#include "loading/encodings.hpp"
#include "platform/failure.hpp"

#include <optional>
#include <string>
#include <string_view>

// What Tidy reads of one page.
struct decoded_page {
    // The encoding Tidy is told: the name given with "-i" when Tidy's own
    // decoder reads the page, otherwise "utf8".
    std::string tidy_name = "utf8";
    // The page in UTF-8, when the program converted it; without it Tidy
    // reads the page's own bytes.
    std::optional<std::string> converted;
    // For verbose mode, when the page's declaration or the detector chose
    // the encoding: "**** Input encoding: NAME, HOW\n". Empty otherwise.
    std::string encoding_line;
    // Why the page could not be converted (its converter could not be
    // opened); none when it was read.
    failure problem;

    std::string_view text(std::string_view page) const { return converted ? *converted : page; }
};

// Reads the page in the encoding the setting names, or, without one, in the
// page's own: a byte-order mark decides; bytes that are UTF-8 are read as
// UTF-8, exactly as they are; otherwise the charset the page declares
// (declared_encoding), then the one a detector (uchardet) finds, then
// windows-1252. Other encodings than UTF-8 are converted to UTF-8 here,
// once for all the repair's attempts. A byte-order mark also decides over
// an encoding named with "-i" that the program converts, as it does over
// Tidy's own names; "-i win1251" keeps its own converter whatever the page
// holds.
decoded_page decode_page(std::string_view page, const input_encoding& setting);
