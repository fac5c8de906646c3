// What the names given to "-i" mean to the program itself, beyond handing
// them to Tidy.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// True when the given encoding name is "win1251" in any letter case: such
// input is converted to UTF-8 by the program before Tidy sees it.
bool names_win1251(const std::string& encoding);

// True for the UTF-16 encodings ("utf16", "utf16le", "utf16be", any letter
// case), whose text holds NUL bytes as parts of its characters.
bool names_utf16(const std::optional<std::string>& encoding);

// The part of an input that is processed: everything up to its first NUL
// byte, or the whole input in a UTF-16 encoding.
std::string_view processed_input(const std::string& input,
                                 const std::optional<std::string>& encoding);
