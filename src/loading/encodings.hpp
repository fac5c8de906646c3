// What the name given to "-i" means, worked out once for the whole run and
// then used by the reading of inputs and by their cleaning alike.
#pragma once

#include "loading/encoding_labels.hpp"

#include <optional>
#include <string>
#include <string_view>

struct input_encoding {
    // No name was given: each page is read in its own encoding
    // (decode_page).
    bool from_page = true;
    // The encoding Tidy reads.
    std::string tidy_name = "utf8";
    // The program converts Windows-1251 to UTF-8 itself before Tidy reads it.
    bool converts_win1251 = false;
    // The encoding of the Encoding Standard that the program converts to
    // UTF-8 before Tidy reads it; none when Tidy's own decoder reads it.
    const web_encoding* converted = nullptr;
    // NUL bytes belong to the characters (the UTF-16 encodings), so the whole
    // input is read instead of the part before its first NUL byte.
    bool reads_past_nul = false;
};

// The encoding names the usage page offers, in its order.
inline constexpr std::string_view offered_encodings[] = {
    "ascii",   "latin1",  "raw",     "utf8",  "iso2022", "mac",     "win1251",
    "win1252", "utf16le", "utf16be", "utf16", "big5",    "shiftjis"};

// The meaning of a "-i" name, in any letter case: "win1251"; "shiftjis",
// "big5" and "iso2022", converted with iconv, since Tidy's decoders of these
// pack each pair of bytes into one code point or pass escapes through; any
// other name Tidy knows, read by Tidy ("latin1" and "ascii" keep Tidy's
// meaning); any label of the Encoding Standard, converted with iconv. None
// for a name that is none of these.
std::optional<input_encoding> choose_input_encoding(const std::string& name);

// Whether the text begins with a UTF-16 byte-order mark, in either byte
// order: Tidy then reads it as UTF-16 whatever encoding it was given, so the
// NUL bytes belong to its characters.
bool begins_with_utf16_mark(std::string_view text);
